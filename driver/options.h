// The command line: what a run renders, where to, and how.
#pragma once

#include <cstdint>
#include <string>

struct settings {
    std::string tunedir = "tune";
    std::string outfile = "output.wav";
    bool sixteen = false;
    float gain = 1.0f;
    // Sample values per block, both stereo sides counted: twice the frames.
    std::int32_t blocklen = 22050;
};

// The largest block "-s" accepts, in frames; it keeps the two block buffers
// (one byte and two bytes per value) under 100 MiB together.
inline constexpr std::int64_t maxblockframes = std::int64_t{1} << 24;

// Exit status of a command-line error.
inline constexpr int usagestatus = 255;

// Reads the command line. Prints the help text, or an error, and ends the
// process where the command line asks for that; otherwise returns the run's
// settings.
settings readoptions(int argc, char** argv);

// Prints the help text and ends the process with status 0.
[[noreturn]] void helptext();

// The "-s" value by atoi's rules (leading blanks, a sign, digits up to the
// first non-digit, 0 without digits), saturated instead of overflowing.
std::int64_t atoirules(const char* text);

// The "-g" value: a decimal number, possibly signed and with a fractional
// part. False when the text does not begin with one.
bool readgain(const char* text, float& gain);
