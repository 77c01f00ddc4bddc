// The triangle of tri with each slope cut into 16 steps. Its sweep and
// vibrato guards are exchanged with respect to the other generators.
#include "generators/shaped.h"

namespace {

constexpr int slopesteps = 16;

struct steppedtriangle {
    static constexpr int id = 4;
    static constexpr bool exchanged = true;

    // The step of the slope, as a fraction of the level.
    static void prepare(float r, float f, bool rising, float&, double& value) {
        std::int32_t q = 0;
        if (rising) {
            const float rise = r / f;
            const float scaled = rise * static_cast<float>(slopesteps);
            q = steps::toint32(scaled);
        } else if (r > f) {
            const float past = r - f;
            const double fall = static_cast<double>(past) / (1.0 - static_cast<double>(f));
            q = steps::toint32(fall * slopesteps);
        }
        value = static_cast<double>(q) / slopesteps;
    }

    template <class convert>
    static std::uint8_t rising(std::uint8_t level, float, double value) {
        return static_cast<std::uint8_t>(convert::of(static_cast<double>(level) * value));
    }

    template <class convert>
    static std::uint8_t turn(std::uint8_t level, float, double) {
        return level;
    }

    template <class convert>
    static std::uint8_t falling(std::uint8_t level, float, double value) {
        const std::int32_t drop = convert::of(static_cast<double>(level) * value);
        return static_cast<std::uint8_t>(level - drop);
    }
};

}  // namespace

void wavelark::ptri(notespec& n, steps::phasecache* cache, std::uint8_t* samples,
                    std::uint8_t* levels, frames count) {
    steps::runshape<steppedtriangle>(n, cache, samples, levels, count);
}

std::uint8_t wavelark::ptri(notespec& n) { return steps::oneframe<steppedtriangle>(n); }
