// Tables of the shape of a waveform cycle, apart from the level. Within a
// note the cycle length and the inflection rarely change, so the phase
// fraction and what the shape makes of it repeat in every cycle; each entry
// is computed once, by the same steps as in any frame, and looked up after.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <vector>

#include "renderer/wavelark.h"

namespace steps {

// What a shaped generator makes of one phase, before the level is applied.
struct phasefactor {
    double value;
    float single;
    std::uint8_t kind;  // 0 while not yet computed; otherwise the shape's own
};

inline constexpr std::uint8_t notcomputed = 0;

class phasecache {
public:
    // Cycles longer than this are shaped frame by frame, without a table.
    static constexpr frames longest = 4096;
    static constexpr int slots = 4;

    phasecache() : entries(static_cast<std::size_t>(slots) * longest) {}

    // The table for cycles of `cycle` frames at inflection `inflection` of
    // the shape `shape`, its entries computed as they are first needed; null
    // for a cycle of 0 or one longer than `longest`.
    phasefactor* table(frames cycle, float inflection, int shape) {
        if (cycle == 0 || cycle > longest) return nullptr;
        const auto f = std::bit_cast<std::uint32_t>(inflection);
        for (int k = 0; k < slots; ++k) {
            key& slot = keys[k];
            if (slot.cycle == cycle && slot.inflection == f && slot.shape == shape) {
                slot.lastuse = ++clock;
                return slotentries(k);
            }
        }
        int oldest = 0;
        for (int k = 1; k < slots; ++k)
            if (keys[k].lastuse < keys[oldest].lastuse) oldest = k;
        keys[oldest] = key{cycle, f, shape, ++clock};
        phasefactor* entries = slotentries(oldest);
        for (frames p = 0; p < cycle; ++p) entries[p].kind = notcomputed;
        return entries;
    }

private:
    struct key {
        frames cycle = 0;
        std::uint32_t inflection = 0;
        int shape = -1;
        std::uint64_t lastuse = 0;
    };

    phasefactor* slotentries(int k) { return &entries[static_cast<std::size_t>(k) * longest]; }

    std::vector<phasefactor> entries;
    std::array<key, slots> keys{};
    std::uint64_t clock = 0;
};

}  // namespace steps
