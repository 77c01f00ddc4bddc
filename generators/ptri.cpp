// The triangle of tri with each slope cut into 16 steps. Its sweep and
// vibrato guards are exchanged with respect to the other generators.
#include "generators/modulation.h"

namespace {
constexpr int slopesteps = 16;
}

std::uint8_t wavelark::ptri(notespec& n) {
    const frames entry = steps::cyclestep<true>(n);
    const std::uint8_t level = steps::levelstep(n);
    n.level = level;
    // A cycle of 0 has no shape to follow: silence until the next note.
    if (entry == 0) return 0;
    const float r = steps::phasefraction(n.phase, entry);
    const float f = n.inflection;
    if (r < f) {
        const float rise = r / f;
        const float scaled = rise * static_cast<float>(slopesteps);
        const std::int32_t q = steps::toint32(scaled);
        const double step = static_cast<double>(q) / slopesteps;
        return static_cast<std::uint8_t>(steps::toint32(static_cast<double>(level) * step));
    }
    if (r > f) {
        const float past = r - f;
        const double fall = static_cast<double>(past) / (1.0 - static_cast<double>(f));
        const std::int32_t q = steps::toint32(fall * slopesteps);
        const double step = static_cast<double>(q) / slopesteps;
        const std::int32_t drop = steps::toint32(static_cast<double>(level) * step);
        return static_cast<std::uint8_t>(level - drop);
    }
    return level;
}
