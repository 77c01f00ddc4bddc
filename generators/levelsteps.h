// The level step over consecutive frames of one event. The level only
// changes now and then: an envelope moves it once every run frames, and a
// tremolo's triangle climbs and falls by a step every few frames. So the
// level is computed where it may change, together with how many frames it
// certainly keeps, rather than divided anew in every frame. Every level
// equals steps::levelstep of the same note state and frame count.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>

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
          // No rise, or no run: the level is the volume throughout.
          constant(n.envrun == 0 || n.envrise == 0),
          s(n.sample) {
        recompute();
    }

    // The level at the current frame.
    std::uint8_t current() const { return level; }

    // Moves to the next frame. The frame count wrapping to 0 starts the
    // envelope or tremolo over.
    void next() {
        ++s;
        if (constant) return;
        if (s == 0) {
            recompute();
            return;
        }
        // How long a level lasts is only worked out once it is needed, so
        // that a single frame costs no more than the level itself.
        if (stable == 0) stable = lasting(s - 1);
        if (--stable == 0) recompute();
    }

    // How many frames, from the current one on, certainly keep the current
    // level (at least 1); never past the frame count's wrap to 0.
    frames remaining() {
        if (constant) return std::numeric_limits<frames>::max();
        if (stable == 0) stable = lasting(s);
        const frames beforewrap = 0u - s;  // 0 when s is 0: no wrap ahead
        return beforewrap != 0 && beforewrap < stable ? beforewrap : stable;
    }

    // Moves `count` frames on (at least 1).
    void skip(frames count) {
        const frames from = s;
        s += count;
        if (constant) return;
        // Past the wrap of the frame count, or as far as the level is known
        // to hold: the level is worked out afresh.
        if (s <= from || stable <= count) {
            recompute();
            return;
        }
        stable -= count;
    }

private:
    std::uint8_t tobyteof(std::int32_t m) const { return wavelark::tobyte(wrapsum(volume, m)); }

    // The tremolo's offset at position x of its triangle, 0 <= x <= run.
    std::int32_t offset(frames x) const { return scaled(x, run, rise); }

    // Frames from position x until the offset changes, looking `ahead` at
    // most, with x growing (up) or shrinking. The offset only ever moves one
    // way along a slope, so a change is the first one when the frame before
    // it keeps the offset: the exact-arithmetic estimate is checked that
    // way, and halving finds the change when rounding has moved it.
    frames untilchange(frames x, frames ahead, bool up) const {
        const std::int32_t now = offset(x);
        auto keeps = [&](frames d) { return offset(up ? x + d : x - d) == now; };
        const frames guess = std::clamp<frames>(estimate(x, now, ahead, up), 1, ahead);
        if ((guess == 1 || keeps(guess - 1)) && (guess == ahead || !keeps(guess))) return guess;
        frames same = 0;  // frames known to keep the offset
        frames other = ahead;
        while (other - same > 1) {
            const frames mid = same + (other - same) / 2;
            if (keeps(mid))
                same = mid;
            else
                other = mid;
        }
        return other;
    }

    // Where the offset at position x would change in exact arithmetic:
    // growing, where |offset| reaches |now| + 1; shrinking, where it drops
    // below |now|. Returns frames from x, `ahead` if there is no change.
    frames estimate(frames x, std::int32_t now, frames ahead, bool up) const {
        const double width = run;
        const double depth = std::abs(static_cast<double>(rise));
        const double size = std::abs(static_cast<double>(now));
        double distance = static_cast<double>(ahead);
        if (up)
            distance = std::ceil((size + 1.0) * width / depth) - x;
        else if (now != 0)
            distance = x - (std::ceil(size * width / depth) - 1.0);
        // Rounding can put the estimate behind x; the check then halves.
        if (distance < 1.0) return 1;
        return distance >= static_cast<double>(ahead) ? ahead : static_cast<frames>(distance);
    }

    // The level at frame s; how long it lasts is not known yet.
    void recompute() {
        stable = 0;
        if (constant) {
            level = tobyteof(0);
        } else if (!tremolo) {
            const frames q = s / run;
            level = tobyteof(static_cast<std::int32_t>(q * static_cast<std::uint32_t>(rise)));
        } else {
            const frames a = s % run;
            const frames b = window == 0 ? s : s % window;
            level = tobyteof(offset(a == b ? b : window - b));
        }
    }

    // How many frames from frame t on the level certainly keeps (at least 1).
    frames lasting(frames t) const {
        if (!tremolo) return run - t % run;
        if (window == 0) return 1;
        const frames a = t % run;
        const frames b = t % window;
        // Rising, the position is b, up to run - 1, or up to window - 1 when
        // a run over 2^31 frames makes the window wrap below it; falling, the
        // position is window - b, down to 1.
        if (a == b) return untilchange(b, std::min(run, window) - b, true);
        return untilchange(window - b, window - b, false);
    }

    std::int32_t volume;
    std::int32_t rise;
    frames run;
    bool tremolo;
    frames window;
    bool constant;
    frames s;
    frames stable = 0;  // frames the level keeps from the last recompute; 0 unknown
    std::uint8_t level = 0;
};

}  // namespace steps
