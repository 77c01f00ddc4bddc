// Noise: a random bit, drawn eight to fifteen times per cycle, gates the
// level, so the noise's pitch follows the note.
#include <algorithm>
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

    // One frame: its sample, and the level after it in `levelafter`.
    std::uint8_t step(std::uint8_t& levelafter) {
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
        level.next();
        return sample;
    }

    // How many of the next frames, `most` at most, draw no bit, end no
    // cycle and keep the level: frames that all sound alike.
    frames quiet(frames most) {
        if (n.phase >= n.cycle) return 0;
        frames run = std::min(most, n.cycle - 1 - n.phase);
        if (interval != 0) run = std::min(run, interval - 1 - sincedraw);
        if (run == 0) return 0;
        return std::min(run, level.remaining());
    }

    // `count` quiet frames.
    void hold(std::uint8_t* samples, std::uint8_t* levels, frames count) {
        n.level = level.current();
        std::fill_n(samples, count, static_cast<std::uint8_t>(n.level * n.noisebit));
        std::fill_n(levels, count, n.level);
        n.phase += count;
        if (interval != 0) sincedraw += count;
        n.sample += count;
        level.skip(count);
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
};

}  // namespace

// The random sequence is shared: within a frame the channels draw in channel
// order, so they step through the frames together.
void wavelark::noise(notespec* const* notes, std::uint8_t* const* samples,
                     std::uint8_t* const* levels, int channels, frames count) {
    std::array<std::optional<voice>, maxchannels> voices;
    for (int c = 0; c < channels; ++c) voices[c].emplace(*notes[c]);
    for (frames i = 0; i < count;) {
        frames run = count - i;
        for (int c = 0; c < channels && run != 0; ++c) run = voices[c]->quiet(run);
        if (run != 0) {
            for (int c = 0; c < channels; ++c) voices[c]->hold(&samples[c][i], &levels[c][i], run);
            i += run;
        } else {
            for (int c = 0; c < channels; ++c) samples[c][i] = voices[c]->step(levels[c][i]);
            ++i;
        }
    }
    for (int c = 0; c < channels; ++c) voices[c]->finish();
}

void wavelark::noise(notespec& n, std::uint8_t* samples, std::uint8_t* levels, frames count) {
    notespec* notes[] = {&n};
    std::uint8_t* samplebuffers[] = {samples};
    std::uint8_t* levelbuffers[] = {levels};
    noise(notes, samplebuffers, levelbuffers, 1, count);
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
