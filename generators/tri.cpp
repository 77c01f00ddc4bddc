// A triangle rising from 0 to the level over the inflection fraction of the
// cycle and falling back over the rest.
#include "generators/modulation.h"

std::uint8_t wavelark::tri(notespec& n) {
    const frames entry = steps::cyclestep(n);
    const std::uint8_t level = steps::levelstep(n);
    n.level = level;
    // A cycle of 0 has no shape to follow: silence until the next note.
    if (entry == 0) return 0;
    const float r = steps::phasefraction(n.phase, entry);
    const float f = n.inflection;
    if (r < f) {
        const float rise = r / f;
        const float value = static_cast<float>(level) * rise;
        return static_cast<std::uint8_t>(steps::toint32(value));
    }
    if (r > f) {
        const float past = r - f;
        const double fall = static_cast<double>(past) / (1.0 - static_cast<double>(f));
        const double drop = static_cast<double>(level) * fall;
        return static_cast<std::uint8_t>(level - steps::toint32(drop));
    }
    return level;
}
