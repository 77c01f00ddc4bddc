#pragma once

#include <cstdint>
#include <ostream>

// The most sample data a WAV header can describe: its RIFF size field holds
// the data size plus 36 in 32 bits.
inline constexpr std::uint64_t maxdatabytes = 0xFFFFFFFFull - 36;

// True when a header can describe `databytes` bytes of sample data without
// either size field wrapping.
constexpr bool wavcanhold(std::uint64_t databytes) { return databytes <= maxdatabytes; }

// Writes the 44-byte RIFF/WAVE header of a 44100 Hz stereo PCM file whose
// `databytes` bytes of 8-bit (or, with `sixteen`, 16-bit) samples follow.
// Byte by byte, least significant first, so every host writes the same bytes.
void write_header(std::ostream& out, std::uint32_t databytes, bool sixteen);
