#include "generators/randombits.h"

#if defined(__GLIBC__)

steps::randomsequence steps::processrandoms;

void steps::randomsequence::restart() {
    // The seed's words, from the minimal standard generator (16807 times the
    // last word, modulo 2^31 - 1, by Schrage's method to stay in 32 bits).
    std::int32_t word = 1;
    words[0] = static_cast<std::uint32_t>(word);
    for (int i = 1; i < degree; ++i) {
        const std::int32_t high = word / 127773;
        const std::int32_t low = word % 127773;
        word = 16807 * low - 2836 * high;
        if (word < 0) word += 2147483647;
        words[i] = static_cast<std::uint32_t>(word);
    }
    front = separation;
    rear = 0;
    for (int i = 0; i < 10 * degree; ++i) next();
}

#endif
