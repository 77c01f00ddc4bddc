// What both fuzz targets share: a scratch tune directory of their own, a
// bounded render of whatever tune is in it, and the checks that every run
// ended either with a clean render or with exactly one clear message.
//
// How the fatal path is observed: the targets are built with WAVELARK_FUZZ,
// so failrun() throws `fatalrun` instead of ending the process. render()
// catches it, and the wavelark being built or rendered is destroyed on the
// way out like in any other unwinding, closing its channel files. Standard
// output (fd 1) is redirected once into a file beside the tune and standard
// error's C++ stream into a string, so each run's messages can be checked:
// a caught `fatalrun` must come with exactly one error line, and a run that
// ends without one must have printed no error at all. A violated check
// prints what was captured and aborts, which libFuzzer reports as a crash.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "renderer/wavelark.h"

namespace fuzzing {

// The per-process tune directory, created on first use and removed when the
// process exits normally. Every run starts from an empty one (cleartune).
const std::string& tunedir();

// Removes every entry of the tune directory.
void cleartune();

// Writes `content` byte for byte into the file `name` of the tune directory.
void writefile(const std::string& name, std::string_view content);

// Creates a directory `name` in the tune directory where a file is expected.
void makedirectory(const std::string& name);

// One of eight gains: exactly 1, just below 1, tiny, large, negative, one
// that overflows every share, infinity and not-a-number.
float gainfor(unsigned index);

struct renderplan {
    bool loop = false;          // reopen channel files that run out
    bool sixteenfirst = false;  // the first block is parse16, then they alternate
    float gain = 1.0f;
    int channels = 1;       // channels the messages may name: 0 to channels - 1
    std::string dirsuffix;  // appended to the tune directory's path, e.g. "/"
    // When set, channel c's file has inputbytes[c] bytes and inputlines[c]
    // line ends; error positions of a channel read once lie within them.
    bool boundpositions = false;
    std::array<std::size_t, maxchannels> inputbytes{};
    std::array<std::size_t, maxchannels> inputlines{};
};

// Renders the tune in the tune directory three times, each for a bounded
// number of values so that no duration can hold the fuzzer up: once in
// blocks of every shape (odd, single, empty; 8- and 16-bit alternating),
// then twice in one width, cut into even and into uneven blocks, which must
// give the same values and the same ending. Checks the messages of every
// render and that blocks after the tune's end are silent.
void render(const renderplan& plan);

}  // namespace fuzzing
