// A pulse wave: high at the level for the inflection fraction of each cycle,
// 0 for the rest. The level is only recomputed in high frames.
#include "generators/levelsteps.h"

namespace {

// The last phase of a cycle of `cycle` frames that is still high: phase
// fractions only grow with the phase, so the high phases are 0 up to it.
frames lasthighphase(frames cycle, float inflection) {
    frames low = 0;
    frames high = cycle - 1;
    while (low < high) {
        const frames mid = low + (high - low + 1) / 2;
        if (steps::phasefraction(mid, cycle) <= inflection)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

}  // namespace

void wavelark::square(notespec& note, std::uint8_t* samples, std::uint8_t* levels, frames count) {
    // A copy the compiler can keep in registers: the byte stores below could
    // otherwise alias the note state.
    notespec n = note;
    steps::levelsteps level(n);
    frames thresholdcycle = 0;
    frames lasthigh = 0;
    for (frames i = 0; i < count; ++i) {
        if (i != 0) level.next();
        const frames entry = steps::cyclestep(n);
        std::uint8_t out = 0;
        // A cycle of 0 never ends: the wave stays low.
        if (entry != 0) {
            // Over a span the last high phase is found once per cycle length;
            // a single frame just compares its own phase fraction.
            bool high = false;
            if (count == 1) {
                high = steps::phasefraction(n.phase, entry) <= n.inflection;
            } else {
                if (entry != thresholdcycle) {
                    thresholdcycle = entry;
                    lasthigh = lasthighphase(entry, n.inflection);
                }
                high = n.phase <= lasthigh;
            }
            if (high) {
                n.level = level.current();
                out = n.level;
            }
        }
        samples[i] = out;
        levels[i] = n.level;
        ++n.sample;
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
