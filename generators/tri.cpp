// A triangle rising from 0 to the level over the inflection fraction of the
// cycle and falling back over the rest.
#include "generators/shaped.h"

namespace {

struct triangle {
    static constexpr int id = 1;
    static constexpr bool exchanged = false;

    // Rising, the fraction of the rise so far, in single precision; falling,
    // the fraction of the fall, in double.
    static void prepare(float r, float f, bool rising, float& single, double& value) {
        if (rising) {
            single = r / f;
        } else if (r > f) {
            const float past = r - f;
            value = static_cast<double>(past) / (1.0 - static_cast<double>(f));
        }
    }

    template <class convert>
    static std::uint8_t rising(std::uint8_t level, float single, double) {
        const float value = static_cast<float>(level) * single;
        return static_cast<std::uint8_t>(convert::of(value));
    }

    template <class convert>
    static std::uint8_t turn(std::uint8_t level, float, double) {
        return level;
    }

    template <class convert>
    static std::uint8_t falling(std::uint8_t level, float, double value) {
        const double drop = static_cast<double>(level) * value;
        return static_cast<std::uint8_t>(level - convert::of(drop));
    }
};

}  // namespace

void wavelark::tri(notespec& n, steps::phasecache* cache, std::uint8_t* samples,
                   std::uint8_t* levels, frames count) {
    steps::runshape<triangle>(n, cache, samples, levels, count);
}

std::uint8_t wavelark::tri(notespec& n) { return steps::oneframe<triangle>(n); }
