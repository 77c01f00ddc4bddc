// Noise: a random bit, drawn eight to fifteen times per cycle, gates the
// level, so the noise's pitch follows the note.
#include <algorithm>
#include <array>
#include <optional>

#include "generators/levelsteps.h"
#include "generators/randombits.h"

namespace {

constexpr frames drawspercycle = 8;
// Draws this many frames apart, or more, leave stretches worth filling at
// once.
constexpr frames longinterval = 4;

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

    // How many of the next frames, `most` at most, end no cycle and keep
    // the level.
    frames steady(frames most) {
        if (n.phase >= n.cycle) return 0;
        const frames run = std::min(most, n.cycle - 1 - n.phase);
        return run == 0 ? 0 : std::min(run, level.remaining());
    }

    // How many of them also draw no bit: frames that all sound alike.
    frames quiet(frames most) {
        const frames run = interval == 0 ? most : std::min(most, interval - 1 - sincedraw);
        return run == 0 ? 0 : steady(run);
    }

    // `count` steady frames, drawing bits where they fall due.
    void play(std::uint8_t* samples, std::uint8_t* levels, frames count) {
        n.level = level.current();
        const std::uint8_t high = n.level;
        std::fill_n(levels, count, high);
        if (interval == 0) {
            // A cycle shorter than 8 frames keeps its bit.
            std::fill_n(samples, count, static_cast<std::uint8_t>(high * n.noisebit));
        } else if (interval == 1) {
            // A new bit in every frame.
            for (frames i = 0; i < count; ++i) {
                n.noisebit = steps::nextrandom() & 1;
                samples[i] = static_cast<std::uint8_t>(high * n.noisebit);
            }
        } else if (interval < longinterval) {
            // Draws come every few frames: frame by frame.
            for (frames i = 0; i < count; ++i) {
                if (++sincedraw == interval) {
                    sincedraw = 0;
                    n.noisebit = steps::nextrandom() & 1;
                }
                samples[i] = static_cast<std::uint8_t>(high * n.noisebit);
            }
        } else {
            // Long stretches between draws: filled at once.
            frames i = 0;
            while (true) {
                const frames same = std::min(count - i, interval - 1 - sincedraw);
                std::fill_n(&samples[i], same, static_cast<std::uint8_t>(high * n.noisebit));
                i += same;
                sincedraw += same;
                if (i == count) break;
                sincedraw = 0;
                n.noisebit = steps::nextrandom() & 1;
                samples[i++] = static_cast<std::uint8_t>(high * n.noisebit);
            }
        }
        n.phase += count;
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
        // A channel that draws alone may draw within a run; channels that
        // share the sequence run together only between their draws.
        frames run = count - i;
        if (channels == 1)
            run = voices[0]->steady(run);
        else
            for (int c = 0; c < channels && run != 0; ++c) run = voices[c]->quiet(run);
        if (run != 0) {
            for (int c = 0; c < channels; ++c) voices[c]->play(&samples[c][i], &levels[c][i], run);
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
