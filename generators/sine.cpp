// Two half-sines meeting at the inflection: the upper one rises from half the
// level to the level and back, the lower one falls to 0 and back.
#include <cmath>
#include <limits>

#include "generators/shaped.h"

namespace {

// Slightly off pi, so that the sine of "pi" is about 4e-11, not 0.
constexpr double pi = 3.14159265354979;

struct halfsines {
    static constexpr int id = 3;
    static constexpr bool exchanged = false;

    // The sine at this phase, lifted by 1 to lie between 0 and 2.
    static void prepare(float r, float f, bool upper, float&, double& value) {
        double angle = 0.0;
        if (upper) {
            const float x = r / f;
            angle = static_cast<double>(x) * pi;
        } else {
            const float past = r - f;
            const double span = 1.0 - static_cast<double>(f);
            // With an inflection of 1 the lower half has no length; a
            // fraction that rounds up to 1 there has no place on it and
            // yields 0.
            const double x = span == 0.0 ? std::numeric_limits<double>::quiet_NaN()
                                         : static_cast<double>(past) / span;
            angle = x * pi + pi;
        }
        value = std::sin(angle) + 1.0;
    }

    // Both halves, and the turn between them, scale the lifted sine alike.
    template <class convert>
    static std::uint8_t rising(std::uint8_t level, float, double value) {
        const double scaled = static_cast<double>(level) * value;
        return static_cast<std::uint8_t>(convert::of(scaled / 2.0));
    }
    template <class convert>
    static std::uint8_t turn(std::uint8_t level, float single, double value) {
        return rising<convert>(level, single, value);
    }
    template <class convert>
    static std::uint8_t falling(std::uint8_t level, float single, double value) {
        return rising<convert>(level, single, value);
    }
};

}  // namespace

void wavelark::sine(notespec& n, steps::phasecache* cache, std::uint8_t* samples,
                    std::uint8_t* levels, frames count) {
    steps::runshape<halfsines>(n, cache, samples, levels, count);
}

std::uint8_t wavelark::sine(notespec& n) { return steps::oneframe<halfsines>(n); }
