// Helpers for tests that touch files: a scratch folder per test, tune
// directories written into it, and runs of the real binary.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder for one test. Removed when the test passes; kept, and named
// on standard error, when it fails, so the case can be inspected.
class scratchdir {
public:
    scratchdir();
    ~scratchdir();
    scratchdir(const scratchdir&) = delete;
    scratchdir& operator=(const scratchdir&) = delete;

    const std::filesystem::path& path() const { return root; }
    // Writes `content` to the file `name` below the folder, creating folders.
    std::filesystem::path write(const std::string& name, const std::string& content) const;
    // Writes a tune directory `name`: channels.txt from `index`, and one
    // channel<i>.wlk per entry of `channels`.
    std::filesystem::path tune(const std::string& name, const std::string& index,
                               const std::vector<std::string>& channels) const;
    // The names of the entries of `dir`, sorted.
    static std::vector<std::string> entries(const std::filesystem::path& dir);

private:
    std::filesystem::path root;
};

struct runresult {
    int status = -1;  // the exit status, or 128 + signal
    std::string out;  // standard output
    std::string err;  // standard error
};

// Runs the built wavelark binary with `args` in the working directory `cwd`.
runresult runwavelark(const std::vector<std::string>& args, const std::filesystem::path& cwd);

std::string readfile(const std::filesystem::path& file);
std::vector<std::uint8_t> readbytes(const std::filesystem::path& file);

// A WAV file read back: its 44-byte header fields and sample data.
struct wavfile {
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> data;
    std::uint32_t riffsize = 0;
    std::uint32_t datasize = 0;
    std::uint16_t bits = 0;
    // The 16-bit samples of data, little-endian.
    std::vector<std::int16_t> samples16() const;
};
wavfile readwav(const std::filesystem::path& file);

}  // namespace testing_support
