// Two half-sines meeting at the inflection: the upper one rises from half the
// level to the level and back, the lower one falls to 0 and back.
#include <cmath>
#include <limits>

#include "generators/modulation.h"

namespace {

// Slightly off pi, so that the sine of "pi" is about 4e-11, not 0.
constexpr double pi = 3.14159265354979;

std::uint8_t halfsine(std::uint8_t level, double angle) {
    const double s = std::sin(angle);
    const double lifted = s + 1.0;
    const double scaled = static_cast<double>(level) * lifted;
    const double value = scaled / 2.0;
    return static_cast<std::uint8_t>(steps::toint32(value));
}

}  // namespace

std::uint8_t wavelark::sine(notespec& n) {
    const frames entry = steps::cyclestep(n);
    const std::uint8_t level = steps::levelstep(n);
    n.level = level;
    // A cycle of 0 has no shape to follow: silence until the next note.
    if (entry == 0) return 0;
    const float r = steps::phasefraction(n.phase, entry);
    const float f = n.inflection;
    if (r < f) {
        const float x = r / f;
        return halfsine(level, static_cast<double>(x) * pi);
    }
    const float past = r - f;
    const double span = 1.0 - static_cast<double>(f);
    // With an inflection of 1 the lower half has no length; a fraction that
    // rounds up to 1 there has no place on it and yields 0.
    const double x = span == 0.0 ? std::numeric_limits<double>::quiet_NaN()
                                 : static_cast<double>(past) / span;
    const double angle = x * pi;
    return halfsine(level, angle + pi);
}
