// Noise: a random bit, drawn eight to fifteen times per cycle, gates the
// level, so the noise's pitch follows the note.
#include <array>
#include <optional>

#include "generators/levelsteps.h"
#include "generators/randombits.h"

namespace {

constexpr frames drawspercycle = 8;

// One noise channel stepping through consecutive frames.
class voice {
public:
    explicit voice(wavelark::notespec& note)
        : home(note),
          n(note),
          level(note),
          interval(note.cycle / drawspercycle),
          sincedraw(interval == 0 ? 0 : note.phase % interval) {}

    // One frame: returns the sample and leaves the level in `levelafter`.
    std::uint8_t step(std::uint8_t& levelafter) {
        if (stepped) level.next();
        stepped = true;
        n.phase += 1;
        // The bit is drawn when the advanced phase is a multiple of an eighth
        // of the cycle before this frame's update (`sincedraw` is the phase
        // modulo that eighth). A cycle shorter than 8 frames keeps its bit.
        if (interval != 0 && ++sincedraw == interval) {
            sincedraw = 0;
            n.noisebit = steps::nextrandom() & 1;
        }
        if (n.phase == n.cycle) {
            n.phase = 0;
            steps::cycleupdate<false>(n);
            interval = n.cycle / drawspercycle;
            sincedraw = 0;
        }
        n.level = level.current();
        levelafter = n.level;
        const auto sample = static_cast<std::uint8_t>(n.level * n.noisebit);
        ++n.sample;
        return sample;
    }

    // Stores the note state back where it came from.
    void finish() { home = n; }

private:
    wavelark::notespec& home;
    // A copy the compiler can keep in registers: the byte stores of the
    // samples could otherwise alias the note state.
    wavelark::notespec n;
    steps::levelsteps level;
    frames interval;
    frames sincedraw;
    bool stepped = false;
};

}  // namespace

// The random sequence is shared: within a frame the channels draw in channel
// order, so they step through the frames together.
void wavelark::noise(notespec* const* notes, std::uint8_t* const* samples,
                     std::uint8_t* const* levels, int channels, frames count) {
    std::array<std::optional<voice>, maxchannels> voices;
    for (int c = 0; c < channels; ++c) voices[c].emplace(*notes[c]);
    for (frames i = 0; i < count; ++i)
        for (int c = 0; c < channels; ++c) samples[c][i] = voices[c]->step(levels[c][i]);
    for (int c = 0; c < channels; ++c) voices[c]->finish();
}

void wavelark::noise(notespec& n, std::uint8_t* samples, std::uint8_t* levels, frames count) {
    voice one(n);
    for (frames i = 0; i < count; ++i) samples[i] = one.step(levels[i]);
    one.finish();
}

std::uint8_t wavelark::noise(notespec& n) {
    std::uint8_t level = 0;
    const frames s = n.sample;
    voice one(n);
    const std::uint8_t sample = one.step(level);
    one.finish();
    n.sample = s;
    return sample;
}
