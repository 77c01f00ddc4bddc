// Where a run's WAV goes. Nothing reaches the output path until the tune has
// rendered completely: a run leaves either a whole WAV there or whatever was
// there before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <future>
#include <string>
#include <string_view>
#include <vector>

class outputfile {
public:
    // Prepares to write `path`. A regular file, or a path that does not exist
    // yet, is written under a temporary name in the same directory and
    // renamed over `path` when complete. Anything else (a FIFO, a device, a
    // symbolic link) is written through once the data is complete, from an
    // unnamed temporary file. On failure prints one message naming the path
    // and the reason, and ends the process with status 1.
    explicit outputfile(std::string path);
    ~outputfile();
    outputfile(const outputfile&) = delete;
    outputfile& operator=(const outputfile&) = delete;

    // Appends sample data behind the header's place.
    void write(const std::uint8_t* data, std::size_t size);
    // Puts the header in front of the data and the whole file at the path.
    void finish(std::string_view header);

private:
    void flush();
    void awaitwrite();
    void copydatato(int target);

    std::string path;
    std::string temppath;  // the named temporary beside `path`, until renamed; else empty
    std::string tempname;  // the temporary's name for messages, named or not
    const char* datawhat = "write temporary file";  // how a failed data write is reported
    std::string dataname;                           // and the file it names
    int fd = -1;
    bool throughspecial = false;
    // The buffer being filled, and the one being written meanwhile by
    // `writing` (its result: 0, or the errno of a failed write).
    std::vector<std::uint8_t> buffer;
    std::vector<std::uint8_t> spare;
    std::future<int> writing;
};

// Prints "wavelark: cannot <what> '<path>': <reason of errno>" on standard
// error and ends the process with status 1.
[[noreturn]] void filefailure(const char* what, const std::string& path);
