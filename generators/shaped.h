// The frame loop shared by the generators whose sample follows a shape over
// the cycle (tri, sine, ptri): cycle step, level step, then the shape at the
// phase fraction, scaled to the level.
#pragma once

#include "generators/levelsteps.h"
#include "generators/phasecache.h"

namespace steps {

// `shape` provides:
//   static constexpr int id;          distinguishes its tables
//   static constexpr bool exchanged;  swaps the sweep and vibrato guards
//   static phasefactor factor(frames phase, frames entrycycle, float inflection);
//   static std::uint8_t apply(const phasefactor&, std::uint8_t level);
// With a cache, each factor is computed once per cycle length and
// inflection; without one, in every frame. Both give the same samples.
template <class shape>
void runshape(wavelark::notespec& note, phasecache* cache, std::uint8_t* samples,
              std::uint8_t* levels, frames count) {
    // A copy the compiler can keep in registers: the byte stores below could
    // otherwise alias the note state.
    wavelark::notespec n = note;
    levelsteps level(n);
    phasefactor* table = nullptr;
    frames tablecycle = 0;
    for (frames i = 0; i < count; ++i) {
        if (i != 0) level.next();
        const frames entry = cyclestep<shape::exchanged>(n);
        n.level = level.current();
        if (cache != nullptr && entry != tablecycle) {
            table = cache->table(entry, n.inflection, shape::id);
            tablecycle = entry;
        }
        if (table != nullptr) {
            phasefactor& f = table[n.phase];
            if (f.kind == notcomputed) f = shape::factor(n.phase, entry, n.inflection);
            samples[i] = shape::apply(f, n.level);
        } else {
            samples[i] = shape::apply(shape::factor(n.phase, entry, n.inflection), n.level);
        }
        levels[i] = n.level;
        ++n.sample;
    }
    note = n;
}

// One frame, as the mixer's per-frame path calls it; the frame count is the
// caller's to advance.
template <class shape>
std::uint8_t oneframe(wavelark::notespec& n) {
    std::uint8_t sample = 0;
    std::uint8_t level = 0;
    const frames s = n.sample;
    runshape<shape>(n, nullptr, &sample, &level, 1);
    n.sample = s;
    return sample;
}

}  // namespace steps
