// The noise generator's random numbers: the sequence of the C library's
// rand() as a program that never seeds it sees it, so every run of a tune
// sounds the same.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>

namespace steps {

#if defined(__GLIBC__)

// On the GNU C library, rand() is an additive feedback generator of 31
// words (each new word the sum of the words 31 and 3 back, the result that
// sum shifted right by one), seeded with 1 and run 310 times before its
// first result, behind a lock taken on every call. The same generator, kept
// here, gives the same numbers without the call and the lock; a test holds
// it to rand() over a million values.
class randomsequence {
public:
    randomsequence() { restart(); }

    // Back to the first number, as srand(1) does.
    void restart();

    // The next number, 0 to RAND_MAX. Numbers are made a batch at a time,
    // in a loop that keeps the generator's state in registers.
    int next() {
        if (unread == batch) refill();
        return numbers[unread++];
    }

private:
    static constexpr int degree = 31;
    static constexpr int separation = 3;
    static constexpr int batch = 256;

    void refill();
    void run(int count, int* out);

    std::array<std::uint32_t, degree> words{};
    int front = separation;
    int rear = 0;
    std::array<int, batch> numbers{};
    int unread = batch;
};

// The process's one sequence, as rand() has one.
extern randomsequence processrandoms;

// The next number of the sequence, 0 to RAND_MAX.
inline int nextrandom() { return processrandoms.next(); }

// Starts the sequence again from its beginning, as srand(1) does.
inline void restartrandom() { processrandoms.restart(); }

#else

inline int nextrandom() { return std::rand(); }

inline void restartrandom() { std::srand(1); }

#endif

}  // namespace steps
