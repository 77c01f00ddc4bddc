// The steps every generator shares: the cycle step with its sweep or vibrato
// update, the level step with its envelope or tremolo, and the phase
// fraction. Each formula keeps its own precision, single or double, operation
// by operation: the sample values depend on every rounding.
#pragma once

#include <cfloat>
#include <cstdint>
#include <limits>

#include "renderer/wavelark.h"

static_assert(FLT_EVAL_METHOD == 0, "single-precision steps must be rounded to single precision");
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

namespace steps {

using notespec = wavelark::notespec;

// Float to int32, truncating toward zero. A value beyond the int32 range
// becomes the nearest bound; not-a-number becomes 0, as if there were
// nothing to play.
inline std::int32_t toint32(double x) {
    // In range (the usual case, and false for not-a-number): a plain cast.
    if (x > -2147483649.0 && x < 2147483648.0) [[likely]]
        return static_cast<std::int32_t>(x);
    if (x != x) return 0;
    return x > 0 ? std::numeric_limits<std::int32_t>::max()
                 : std::numeric_limits<std::int32_t>::min();
}

// The same for a single-precision value, without widening it first.
inline std::int32_t toint32(float x) {
    if (x >= -2147483648.0f && x < 2147483648.0f) [[likely]]
        return static_cast<std::int32_t>(x);
    if (x != x) return 0;
    return x > 0 ? std::numeric_limits<std::int32_t>::max()
                 : std::numeric_limits<std::int32_t>::min();
}

// How a shape converts its scaled value to an integer. Any value at all
// goes through the saturating conversion; a value that a cycle's table
// guarantees to lie within 0..255 may use the plain one, which the compiler
// turns into vector instructions over a run of frames.
struct saturating {
    static std::int32_t of(float x) { return toint32(x); }
    static std::int32_t of(double x) { return toint32(x); }
};
struct withinrange {
    static std::int32_t of(float x) { return static_cast<std::int32_t>(x); }
    static std::int32_t of(double x) { return static_cast<std::int32_t>(x); }
};

// P + t in 32-bit two's complement.
inline std::int32_t wrapsum(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// Holds the cycle at one frame once the offset would take it to 0 or below.
inline frames floorrule(std::int32_t period, std::int32_t offset) {
    if (offset < 0 && -static_cast<std::int64_t>(offset) >= period) return 1;
    return static_cast<frames>(wrapsum(period, offset));
}

// Only a sum of exactly 0 is caught; a negative sum becomes a cycle of more
// than 4 billion frames.
inline frames zerorule(std::int32_t period, std::int32_t offset) {
    const std::int32_t v = wrapsum(period, offset);
    return v == 0 ? 65535u : static_cast<frames>(v);
}

// q / width * depth in single precision, truncated.
inline std::int32_t scaled(frames q, frames width, std::int32_t depth) {
    const float quotient = static_cast<float>(q) / static_cast<float>(width);
    const float product = quotient * static_cast<float>(depth);
    return toint32(product);
}

// A triangle of period 2 * width frames between 0 and depth, 0 at s = 0.
// A width of 0 turns the modulation off.
inline std::int32_t triangle(frames s, frames width, std::int32_t depth) {
    if (width == 0) return 0;
    const frames a = s % width;
    const frames window = width * 2u;
    const frames b = window == 0 ? s : s % window;
    return scaled(a == b ? a : window - b, width, depth);
}

// Sets the length of the cycle that starts now. The sweep adds an offset
// proportional to the time since the event began, but only at the cycle ends
// within the first `cycle` frames of each run; a run of 0 turns it off.
// `exchanged` swaps the guards of sweep and vibrato, as the stepped triangle
// wants.
template <bool exchanged>
inline void cycleupdate(notespec& n) {
    const frames s = n.sample;
    const frames run = n.sweeprun;
    if (n.vibrato) {
        const std::int32_t t = triangle(s, run, n.sweeprise);
        n.cycle = exchanged ? floorrule(n.period, t) : zerorule(n.period, t);
        return;
    }
    std::int32_t t = 0;
    if (run != 0) {
        if (n.cycle < s % run) return;
        t = scaled(s, run, n.sweeprise);
    }
    n.cycle = exchanged ? zerorule(n.period, t) : floorrule(n.period, t);
}

// Advances the phase by one frame and, at a cycle end, starts the next
// cycle. Returns the cycle length on entry, which the phase fraction uses.
template <bool exchanged = false>
inline frames cyclestep(notespec& n) {
    const frames entry = n.cycle;
    n.phase += 1;
    if (n.phase == n.cycle) {
        n.phase = 0;
        cycleupdate<exchanged>(n);
    }
    return entry;
}

// The level for this frame: volume moved by the envelope (rise once every
// run frames) or by the tremolo triangle, clamped to 0..255. A run of 0
// turns the envelope off.
inline std::uint8_t levelstep(const notespec& n) {
    std::int32_t m = 0;
    if (n.tremolo) {
        m = triangle(n.sample, n.envrun, n.envrise);
    } else if (n.envrun != 0) {
        const std::uint32_t steps = n.sample / n.envrun;
        m = static_cast<std::int32_t>(steps * static_cast<std::uint32_t>(std::int32_t{n.envrise}));
    }
    return wavelark::tobyte(wrapsum(n.volume, m));
}

// Position in the cycle as a fraction, 0 in the frame that ended a cycle.
// The caller makes sure the cycle is not 0.
inline float phasefraction(frames phase, frames entrycycle) {
    return static_cast<float>(phase) / static_cast<float>(entrycycle);
}

}  // namespace steps

inline std::uint8_t wavelark::tobyte(int value) {
    if (value < 0) return 0;
    if (value > 255) return 255;
    return static_cast<std::uint8_t>(value);
}
