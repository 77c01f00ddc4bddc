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
    // The first 310 numbers are made but never handed out.
    run(10 * degree, nullptr);
    unread = batch;
}

void steps::randomsequence::refill() {
    run(batch, numbers.data());
    unread = 0;
}

// Runs the generator `count` times, storing the numbers in `out` if given.
void steps::randomsequence::run(int count, int* out) {
    int f = front;
    int r = rear;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t sum = words[f] += words[r];
        if (++f == degree) f = 0;
        if (++r == degree) r = 0;
        if (out != nullptr) out[i] = static_cast<int>(sum >> 1);
    }
    front = f;
    rear = r;
}

#endif
