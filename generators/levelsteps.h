// The level step over consecutive frames of one event. An envelope's level
// only changes once every run frames, and the tremolo's position in its
// window moves by one frame at a time, so both are kept as counters rather
// than divided anew in every frame. Every level equals steps::levelstep of
// the same note state and frame count.
#pragma once

#include "generators/modulation.h"

namespace steps {

class levelsteps {
public:
    // Starts at the note's current frame count.
    explicit levelsteps(const notespec& n)
        : volume(n.volume),
          rise(n.envrise),
          run(n.envrun),
          tremolo(n.tremolo),
          window(n.envrun * 2u),
          s(n.sample) {
        restart();
    }

    // The level at the current frame.
    std::uint8_t current() const { return level; }

    // Moves to the next frame.
    void next() {
        if (++s == 0) {
            restart();
            return;
        }
        if (constant) return;
        if (tremolo) {
            if (++a == run) a = 0;
            if (++b == window) b = 0;
            level = tremololevel();
        } else if (run != 0 && ++r == run) {
            r = 0;
            ++q;
            level = envelopelevel();
        }
    }

private:
    void restart() {
        // No rise, or no run: the level is the volume throughout.
        constant = run == 0 || rise == 0;
        if (constant) {
            level = tobyteof(0);
            return;
        }
        if (tremolo) {
            a = s % run;
            b = window == 0 ? s : s % window;
            level = tremololevel();
        } else {
            q = s / run;
            r = s % run;
            level = envelopelevel();
        }
    }

    std::uint8_t tobyteof(std::int32_t m) const { return wavelark::tobyte(wrapsum(volume, m)); }

    std::uint8_t envelopelevel() const {
        return tobyteof(
            static_cast<std::int32_t>(q * static_cast<std::uint32_t>(std::int32_t{rise})));
    }

    std::uint8_t tremololevel() const {
        return tobyteof(scaled(a == b ? a : window - b, run, rise));
    }

    std::int32_t volume;
    std::int32_t rise;
    frames run;
    bool tremolo;
    frames window;
    frames s;
    frames q = 0, r = 0;  // envelope: s / run and s % run
    frames a = 0, b = 0;  // tremolo: s % run and s % (2 run)
    std::uint8_t level = 0;
    bool constant = false;
};

}  // namespace steps
