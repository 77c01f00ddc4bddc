#include "generators/randombits.h"

#include <cstdlib>

#if defined(__GLIBC__)

#include <array>
#include <cstdint>

namespace {

// On the GNU C library, rand() is random() on a state set up as by
// initstate(1, state, 128), behind a lock taken on every call. The library's
// own generator, random_r, on a state of the program's own set up the same
// way gives the same numbers without the lock; the process renders on one
// thread and nothing else draws from it.
struct librarygenerator {
    // 128 bytes, as rand() has, aligned for the 32-bit words it holds.
    std::array<std::int32_t, 32> state{};
    random_data data{};

    librarygenerator() { restart(); }

    void restart() {
        data = random_data{};
        initstate_r(1, reinterpret_cast<char*>(state.data()), sizeof state, &data);
    }

    int next() {
        std::int32_t value = 0;
        random_r(&data, &value);
        return value;
    }
};

librarygenerator& generator() {
    static librarygenerator shared;
    return shared;
}

}  // namespace

int steps::nextrandom() { return generator().next(); }

void steps::restartrandom() { generator().restart(); }

#else

int steps::nextrandom() { return std::rand(); }

void steps::restartrandom() { std::srand(1); }

#endif
