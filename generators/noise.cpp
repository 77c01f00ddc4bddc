// Noise: a random bit, drawn eight to fifteen times per cycle, gates the
// level, so the noise's pitch follows the note.
#include <cstdlib>

#include "generators/modulation.h"

namespace {
constexpr frames drawspercycle = 8;
}

std::uint8_t wavelark::noise(notespec& n) {
    n.phase += 1;
    // The draw interval comes from the cycle before this frame's update; a
    // cycle shorter than 8 frames keeps its bit. rand() is never seeded, so
    // every run of a tune sounds the same.
    const frames interval = n.cycle / drawspercycle;
    if (interval != 0 && n.phase % interval == 0) n.noisebit = std::rand() & 1;
    if (n.phase == n.cycle) {
        n.phase = 0;
        steps::cycleupdate<false>(n);
    }
    n.level = steps::levelstep(n);
    return static_cast<std::uint8_t>(n.level * n.noisebit);
}
