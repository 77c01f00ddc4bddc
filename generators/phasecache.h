// Tables of the shape of a waveform cycle, apart from the level. Within a
// note the cycle length and the inflection rarely change, so the phase
// fraction and what the shape makes of it repeat in every cycle; a table
// holds them for every phase of one cycle length, computed by the same steps
// as in any frame, so that runs of frames only apply the level.
#pragma once

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "generators/modulation.h"

namespace steps {

// One cycle length at one inflection, for one shape. The phase fraction only
// grows with the phase, so the phases fall into three stretches: below the
// inflection (rising), at it (the turn), above it (falling). `single` and
// `value` hold what the shape computes of each phase before the level.
struct shapetable {
    frames turnstart = 0;  // the first phase whose fraction is not below the inflection
    frames fallstart = 0;  // the first phase whose fraction is above it (else the cycle)
    const float* single = nullptr;
    const double* value = nullptr;
};

class phasecache {
public:
    // Cycles longer than this are shaped frame by frame, without a table.
    static constexpr frames longest = 4096;
    static constexpr int slots = 4;

    phasecache()
        : singles(static_cast<std::size_t>(slots) * longest),
          values(static_cast<std::size_t>(slots) * longest) {}

    // The table for cycles of `cycle` frames at `inflection` of `shape`;
    // null for a cycle of 0 or one longer than `longest`. `shape` provides
    //   static constexpr int id;
    //   static void prepare(float r, float f, bool rising, float& single, double& value);
    template <class shape>
    const shapetable* table(frames cycle, float inflection) {
        if (cycle == 0 || cycle > longest) return nullptr;
        const auto f = std::bit_cast<std::uint32_t>(inflection);
        for (int k = 0; k < slots; ++k) {
            key& slot = keys[k];
            if (slot.cycle == cycle && slot.inflection == f && slot.shape == shape::id) {
                slot.lastuse = ++clock;
                return &tables[k];
            }
        }
        int oldest = 0;
        for (int k = 1; k < slots; ++k)
            if (keys[k].lastuse < keys[oldest].lastuse) oldest = k;
        keys[oldest] = key{cycle, f, shape::id, ++clock};
        build<shape>(oldest, cycle, inflection);
        return &tables[oldest];
    }

private:
    struct key {
        frames cycle = 0;
        std::uint32_t inflection = 0;
        int shape = -1;
        std::uint64_t lastuse = 0;
    };

    template <class shape>
    void build(int k, frames cycle, float f) {
        float* single = &singles[static_cast<std::size_t>(k) * longest];
        double* value = &values[static_cast<std::size_t>(k) * longest];
        shapetable& t = tables[k];
        t = shapetable{0, cycle, single, value};
        for (frames p = 0; p < cycle; ++p) {
            const float r = phasefraction(p, cycle);
            if (r < f) t.turnstart = p + 1;
            if (r > f) t.fallstart = std::min(t.fallstart, p);
            single[p] = 0.0f;
            value[p] = 0.0;
            shape::prepare(r, f, r < f, single[p], value[p]);
            // A value that is not a number yields the sample 0, as 0 does.
            if (value[p] != value[p]) value[p] = 0.0;
        }
    }

    std::vector<float> singles;
    std::vector<double> values;
    std::array<shapetable, slots> tables{};
    std::array<key, slots> keys{};
    std::uint64_t clock = 0;
};

}  // namespace steps
