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
    enum : std::uint8_t { silent = 1, lifted };

    // The sine at this phase, lifted by 1 to lie between 0 and 2.
    static steps::phasefactor factor(frames phase, frames entry, float f) {
        // A cycle of 0 has no shape to follow: silence until the next note.
        if (entry == 0) return {0.0, 0.0f, silent};
        const float r = steps::phasefraction(phase, entry);
        double angle = 0.0;
        if (r < f) {
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
        return {std::sin(angle) + 1.0, 0.0f, lifted};
    }

    static std::uint8_t apply(const steps::phasefactor& x, std::uint8_t level) {
        if (x.kind != lifted) return 0;
        const double scaled = static_cast<double>(level) * x.value;
        return static_cast<std::uint8_t>(steps::toint32(scaled / 2.0));
    }
};

}  // namespace

void wavelark::sine(notespec& n, steps::phasecache* cache, std::uint8_t* samples,
                    std::uint8_t* levels, frames count) {
    steps::runshape<halfsines>(n, cache, samples, levels, count);
}

std::uint8_t wavelark::sine(notespec& n) { return steps::oneframe<halfsines>(n); }
