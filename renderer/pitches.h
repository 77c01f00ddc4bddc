// Note periods in frames, indexed by octave * 12 + semitone from c. Close to
// 44100 / f for equal temperament with a4 = 440 Hz, but used exactly as data.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int semitonesperoctave = 12;

inline constexpr std::array<std::uint32_t, 84> pitcharray = {
    // c     c#    d     d#    e     f     f#    g     g#    a     a#    b
    2697, 2546, 2403, 2267, 2140, 2020, 1907, 1800, 1699, 1604, 1513, 1429,  // octave 0
    1349, 1273, 1201, 1134, 1070, 1010, 954,  900,  850,  802,  757,  714,   // octave 1
    674,  636,  601,  567,  535,  505,  477,  450,  425,  401,  378,  357,   // octave 2
    337,  318,  300,  283,  268,  253,  238,  225,  212,  200,  189,  179,   // octave 3
    169,  159,  150,  142,  134,  126,  119,  113,  106,  100,  95,   89,    // octave 4
    84,   80,   75,   71,   67,   63,   60,   56,   53,   50,   47,   45,    // octave 5
    42,   40,   38,   35,   33,   32,   30,   28,   27,   25,   24,   22,    // octave 6
};
