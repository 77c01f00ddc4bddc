// A triangle rising from 0 to the level over the inflection fraction of the
// cycle and falling back over the rest.
#include "generators/shaped.h"

namespace {

struct triangle {
    static constexpr int id = 1;
    static constexpr bool exchanged = false;
    enum : std::uint8_t { silent = 1, rising, falling, peak };

    static steps::phasefactor factor(frames phase, frames entry, float f) {
        // A cycle of 0 has no shape to follow: silence until the next note.
        if (entry == 0) return {0.0, 0.0f, silent};
        const float r = steps::phasefraction(phase, entry);
        if (r < f) return {0.0, r / f, rising};
        if (r > f) {
            const float past = r - f;
            return {static_cast<double>(past) / (1.0 - static_cast<double>(f)), 0.0f, falling};
        }
        return {0.0, 0.0f, peak};
    }

    static std::uint8_t apply(const steps::phasefactor& x, std::uint8_t level) {
        switch (x.kind) {
        case rising: {
            const float value = static_cast<float>(level) * x.single;
            return static_cast<std::uint8_t>(steps::toint32(value));
        }
        case falling: {
            const double drop = static_cast<double>(level) * x.value;
            return static_cast<std::uint8_t>(level - steps::toint32(drop));
        }
        case peak: return level;
        default: return 0;
        }
    }
};

}  // namespace

void wavelark::tri(notespec& n, steps::phasecache* cache, std::uint8_t* samples,
                   std::uint8_t* levels, frames count) {
    steps::runshape<triangle>(n, cache, samples, levels, count);
}

std::uint8_t wavelark::tri(notespec& n) { return steps::oneframe<triangle>(n); }
