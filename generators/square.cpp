// A pulse wave: high at the level for the inflection fraction of each cycle,
// 0 for the rest. The level is only recomputed in high frames.
#include <algorithm>

#include "generators/levelsteps.h"

namespace {

// How many phases of a cycle of `cycle` frames are high: phase fractions
// only grow with the phase, so the high phases are the first ones.
frames highphases(frames cycle, float inflection) {
    frames low = 0;  // phases known to be high
    frames high = cycle;
    while (low < high) {
        const frames mid = low + (high - low) / 2;
        if (steps::phasefraction(mid, cycle) <= inflection)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

}  // namespace

void wavelark::square(notespec& note, std::uint8_t* samples, std::uint8_t* levels, frames count) {
    if (count == 0) return;
    // A copy the compiler can keep in registers: the byte stores below could
    // otherwise alias the note state.
    notespec n = note;
    steps::levelsteps level(n);
    frames thresholdcycle = 0;
    frames highcount = 0;
    // Over a span the high phases are counted once per cycle length; a
    // single frame just compares its own phase fraction.
    auto highphasesof = [&](frames cycle) {
        if (cycle != thresholdcycle) {
            thresholdcycle = cycle;
            highcount = highphases(cycle, n.inflection);
        }
        return highcount;
    };
    frames i = 0;
    while (true) {
        // A frame that may end a cycle.
        const frames entry = steps::cyclestep(n);
        std::uint8_t out = 0;
        // A cycle of 0 never ends: the wave stays low.
        if (entry != 0) {
            const bool high = count == 1 ? steps::phasefraction(n.phase, entry) <= n.inflection
                                         : n.phase < highphasesof(entry);
            if (high) {
                n.level = level.current();
                out = n.level;
            }
        }
        samples[i] = out;
        levels[i] = n.level;
        ++n.sample;
        if (++i == count) break;
        level.next();

        // Then the rest of the cycle, up to its last phase: high frames in
        // runs of one level, then the low frames, where the level rests.
        if (n.cycle == 0 || n.phase >= n.cycle) continue;
        const frames last = n.cycle - 1;
        // The last phase of this cycle still high, if there is one ahead.
        const frames highcycle = highphasesof(n.cycle);
        const frames highend = highcycle == 0 ? 0 : std::min(highcycle - 1, last);
        while (i < count && n.phase < highend) {
            const frames run = std::min({count - i, highend - n.phase, level.remaining()});
            n.level = level.current();
            std::fill_n(&samples[i], run, n.level);
            std::fill_n(&levels[i], run, n.level);
            n.phase += run;
            n.sample += run;
            i += run;
            level.skip(run);
        }
        if (i < count && n.phase < last) {
            const frames run = std::min(count - i, last - n.phase);
            std::fill_n(&samples[i], run, 0);
            std::fill_n(&levels[i], run, n.level);
            n.phase += run;
            n.sample += run;
            i += run;
            level.skip(run);
        }
        if (i == count) break;
    }
    note = n;
}

std::uint8_t wavelark::square(notespec& n) {
    std::uint8_t sample = 0;
    std::uint8_t level = 0;
    const frames s = n.sample;
    square(n, &sample, &level, 1);
    n.sample = s;
    return sample;
}
