// The frame loop shared by the generators whose sample follows a shape over
// the cycle (tri, sine, ptri): cycle step, level step, then the shape at the
// phase fraction, scaled to the level.
//
// Between the end of one cycle and the next, and while the level holds, the
// frames differ only in their phase, so such a run is rendered from the
// cycle's shape table in one tight loop per stretch of the shape.
#pragma once

#include <algorithm>

#include "generators/levelsteps.h"
#include "generators/phasecache.h"

namespace steps {

// `shape` provides, besides what phasecache::table needs:
//   static constexpr bool exchanged;  swaps the sweep and vibrato guards
//   template <class convert> static std::uint8_t rising(level, float single, double value);
//   template <class convert> static std::uint8_t turn(level, float single, double value);
//   template <class convert> static std::uint8_t falling(level, float single, double value);
// each the sample of one stretch of the cycle, from the phase's prepared
// values, converting with `saturating` or `withinrange`. The values of a
// table keep every scaled value within 0..255 (a phase whose value is not a
// number is stored as 0, which gives the same sample), so runs from a table
// convert `withinrange`; a lone phase converts `saturating`.

// Samples of phases first .. first + count - 1 of a table's cycle.
template <class shape>
void shaperun(const shapetable& t, frames first, frames count, std::uint8_t level,
              std::uint8_t* out) {
    // Local copies: the byte stores could otherwise alias the table.
    const float* single = t.single;
    const double* value = t.value;
    const frames end = first + count;
    const frames turn = std::clamp(t.turnstart, first, end);
    const frames fall = std::clamp(t.fallstart, turn, end);
    // Each stretch as a loop over plain offsets, which vectorises.
    auto stretch = [&](frames from, frames to, auto sample) {
        const float* s = single + from;
        const double* v = value + from;
        std::uint8_t* o = out + (from - first);
        for (frames j = 0; j < to - from; ++j) o[j] = sample(level, s[j], v[j]);
    };
    using convert = withinrange;
    stretch(first, turn, shape::template rising<convert>);
    stretch(turn, fall, shape::template turn<convert>);
    stretch(fall, end, shape::template falling<convert>);
}

// One phase without a table; a cycle of 0 has no shape to follow and is
// silent until the next note.
template <class shape>
std::uint8_t shapeat(frames phase, frames entrycycle, float f, std::uint8_t level) {
    if (entrycycle == 0) return 0;
    const float r = phasefraction(phase, entrycycle);
    float single = 0.0f;
    double value = 0.0;
    shape::prepare(r, f, r < f, single, value);
    if (r < f) return shape::template rising<saturating>(level, single, value);
    if (r > f) return shape::template falling<saturating>(level, single, value);
    return shape::template turn<saturating>(level, single, value);
}

// With a cache, each cycle length's table is computed once and runs of
// frames are rendered from it; without one, every frame is shaped on its
// own. Both give the same samples.
template <class shape>
void runshape(wavelark::notespec& note, phasecache* cache, std::uint8_t* samples,
              std::uint8_t* levels, frames count) {
    if (count == 0) return;
    // A copy the compiler can keep in registers: the byte stores below could
    // otherwise alias the note state.
    wavelark::notespec n = note;
    levelsteps level(n);
    const shapetable* table = nullptr;
    frames tablecycle = 0;
    auto tablefor = [&](frames cycle) {
        if (cache != nullptr && cycle != tablecycle) {
            table = cache->table<shape>(cycle, n.inflection);
            tablecycle = cycle;
        }
        return cache != nullptr ? table : nullptr;
    };
    frames i = 0;
    while (true) {
        // A frame that may end a cycle.
        const frames entry = cyclestep<shape::exchanged>(n);
        n.level = level.current();
        if (const shapetable* t = tablefor(entry))
            shaperun<shape>(*t, n.phase, 1, n.level, &samples[i]);
        else
            samples[i] = shapeat<shape>(n.phase, entry, n.inflection, n.level);
        levels[i] = n.level;
        ++n.sample;
        if (++i == count) break;
        level.next();

        // The frames up to the cycle's last phase, while the level holds.
        const shapetable* t = n.phase < n.cycle ? tablefor(n.cycle) : nullptr;
        if (t == nullptr) continue;
        const frames run = std::min({count - i, n.cycle - 1 - n.phase, level.remaining()});
        if (run == 0) continue;
        n.level = level.current();
        shaperun<shape>(*t, n.phase + 1, run, n.level, &samples[i]);
        std::fill_n(&levels[i], run, n.level);
        n.phase += run;
        n.sample += run;
        i += run;
        if (i == count) break;
        level.skip(run);
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
