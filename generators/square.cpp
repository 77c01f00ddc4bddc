// A pulse wave: high at the level for the inflection fraction of each cycle,
// 0 for the rest. The level is only recomputed in high frames.
#include "generators/modulation.h"

std::uint8_t wavelark::square(notespec& n) {
    const frames entry = steps::cyclestep(n);
    // A cycle of 0 never ends: the wave stays low.
    if (entry == 0) return 0;
    if (steps::phasefraction(n.phase, entry) > n.inflection) return 0;
    n.level = steps::levelstep(n);
    return n.level;
}
