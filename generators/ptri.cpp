// The triangle of tri with each slope cut into 16 steps. Its sweep and
// vibrato guards are exchanged with respect to the other generators.
#include "generators/shaped.h"

namespace {

constexpr int slopesteps = 16;

struct steppedtriangle {
    static constexpr int id = 4;
    static constexpr bool exchanged = true;
    enum : std::uint8_t { silent = 1, rising, falling, peak };

    // The step of the slope, as a fraction of the level.
    static steps::phasefactor factor(frames phase, frames entry, float f) {
        // A cycle of 0 has no shape to follow: silence until the next note.
        if (entry == 0) return {0.0, 0.0f, silent};
        const float r = steps::phasefraction(phase, entry);
        if (r < f) {
            const float rise = r / f;
            const float scaled = rise * static_cast<float>(slopesteps);
            const std::int32_t q = steps::toint32(scaled);
            return {static_cast<double>(q) / slopesteps, 0.0f, rising};
        }
        if (r > f) {
            const float past = r - f;
            const double fall = static_cast<double>(past) / (1.0 - static_cast<double>(f));
            const std::int32_t q = steps::toint32(fall * slopesteps);
            return {static_cast<double>(q) / slopesteps, 0.0f, falling};
        }
        return {0.0, 0.0f, peak};
    }

    static std::uint8_t apply(const steps::phasefactor& x, std::uint8_t level) {
        switch (x.kind) {
        case rising:
            return static_cast<std::uint8_t>(steps::toint32(static_cast<double>(level) * x.value));
        case falling: {
            const std::int32_t drop = steps::toint32(static_cast<double>(level) * x.value);
            return static_cast<std::uint8_t>(level - drop);
        }
        case peak: return level;
        default: return 0;
        }
    }
};

}  // namespace

void wavelark::ptri(notespec& n, steps::phasecache* cache, std::uint8_t* samples,
                    std::uint8_t* levels, frames count) {
    steps::runshape<steppedtriangle>(n, cache, samples, levels, count);
}

std::uint8_t wavelark::ptri(notespec& n) { return steps::oneframe<steppedtriangle>(n); }
