// The frame renderer and mixer: alternates between reading the channels'
// next events and rendering frames, and mixes each frame's channel samples,
// with ring modulation, panning and gain, into one stereo value pair.
//
// Frames are rendered in spans: after a command phase, every frame up to the
// end of the first event to finish is alike in what can change, so each
// channel's generator runs through the whole span at once and the span is
// then mixed channel by channel. The result is the same, frame for frame, as
// rendering one frame at a time; only ring modulation, which makes channels
// read each other's levels as they go, and looping channel files are
// rendered one frame at a time.
#include <algorithm>
#include <cmath>
#include <utility>

#include "generators/modulation.h"
#include "generators/phasecache.h"
#include "renderer/wavelark.h"

namespace {

// The 16-bit mix scales each centred 8-bit sample by 32.
constexpr std::int32_t sixteenbitscale = 32;

// Wave types with a generator; any other value is silent.
enum wave : std::int32_t { squarewave = 0, triwave, noisewave, sinewave, ptriwave };

std::uint8_t low8(std::int32_t value) { return static_cast<std::uint8_t>(value); }
std::int16_t low16(std::int32_t value) { return static_cast<std::int16_t>(value); }

// A channel's share of a 16-bit side: its centred sample, panned, as 16-bit.
std::int32_t share16(std::int32_t centred, float weight) {
    const float panned = static_cast<float>(centred) * weight;
    return std::int32_t{low16(steps::toint32(panned))} * sixteenbitscale;
}

// The same for a weight of at most `boundedweight` either way, as every pan
// read from the notation gives: the panned sample then lies well within
// 16 bits, so the conversion needs neither saturation nor wrapping, and a
// stretch of frames compiles to vector instructions.
constexpr float boundedweight = 64.0f;
std::int32_t boundedshare16(std::int32_t centred, float weight) {
    const float panned = static_cast<float>(centred) * weight;
    return steps::withinrange::of(panned) * sixteenbitscale;
}

// Adds a scaled share to a 16-bit side: the running sum is truncated once
// per channel.
std::int16_t addscaled(std::int16_t side, std::int32_t share, float gain) {
    const float scaledshare = static_cast<float>(share) * gain;
    const float sum = static_cast<float>(side) + scaledshare;
    return low16(steps::toint32(sum));
}

// The same for a bounded share and a gain of at most `boundedgain16` either
// way: the sum then lies well within 32 bits.
constexpr float boundedgain16 = 1024.0f;
std::int16_t boundedaddscaled(std::int16_t side, std::int32_t share, float gain) {
    const float scaledshare = static_cast<float>(share) * gain;
    const float sum = static_cast<float>(side) + scaledshare;
    return low16(steps::withinrange::of(sum));
}

// A channel's share of an 8-bit side: the raw sample, panned and scaled.
// Unity gain is exactly 1.0; any other gain scales the panned sample.
std::uint8_t share8(std::uint8_t sample, float weight, float gain, bool unity) {
    const float panned = static_cast<float>(sample) * weight;
    if (unity) return low8(steps::toint32(panned));
    const float scaledshare = panned * gain;
    return low8(steps::toint32(scaledshare));
}

// The same for a bounded weight and a gain of at most `boundedgain8` either
// way: the scaled sample then lies well within 32 bits.
constexpr float boundedgain8 = 65536.0f;
template <bool unity>
std::uint8_t boundedshare8(std::uint8_t sample, float weight, float gain) {
    const float panned = static_cast<float>(sample) * weight;
    if constexpr (unity) return low8(steps::withinrange::of(panned));
    const float scaledshare = panned * gain;
    return low8(steps::withinrange::of(scaledshare));
}

}  // namespace

void wavelark::preparemixer() {
    spansamples.assign(static_cast<std::size_t>(numchannels) * spancapacity, 0);
    spanlevels.assign(static_cast<std::size_t>(numchannels) * spancapacity, 0);
    shapes.resize(static_cast<std::size_t>(numchannels));
}

// Channel ch's part of a span buffer.
std::uint8_t* wavelark::spanbuffer(std::vector<std::uint8_t>& buffer, int ch) {
    return &buffer[static_cast<std::size_t>(ch) * spancapacity];
}

void wavelark::parse8(std::uint8_t* buf, int n, float gain) { parse(buf, n, gain, false); }

void wavelark::parse16(std::int16_t* buf, int n, float gain) { parse(buf, n, gain, true); }

void wavelark::parse(void* buf, int n, float gain, bool sixteen) {
    if (n <= 0) return;
    const block out{buf, n, gain, sixteen};
    std::vector<std::uint8_t> cursample(numchannels);
    // 64 bits, so that no block length near the int range can overflow it.
    std::int64_t at = 0;
    while (active && at < n) {
        for (int ch = 0; ch < numchannels; ++ch) readcommands(ch);
        if (loop || ringmodulating()) {
            // One frame at a time until some event is no longer running.
            bool allplaying = true;
            do {
                allplaying = renderframe(cursample, out, at);
                at += 2;
            } while (allplaying && at < n);
        } else {
            const frames span = steadyspan(static_cast<frames>((n - at + 1) / 2));
            renderspan(span, out, at);
            at += 2 * std::int64_t{span};
        }
    }
    for (; at < n; ++at) {
        if (sixteen)
            static_cast<std::int16_t*>(buf)[at] = 0;
        else
            static_cast<std::uint8_t*>(buf)[at] = 0;
    }
}

bool wavelark::ringmodulating() const {
    for (int ch = 0; ch < numchannels; ++ch)
        if (partner[ch] >= 0 && partner[ch] < numchannels) return true;
    return false;
}

// How many frames can be rendered as one span: up to the end of the first
// running event, within the room left in the block. A channel whose input
// has ended and whose last event is over does not limit the span while
// another channel still has input; once none has, the next frame ends the
// tune.
frames wavelark::steadyspan(frames room) const {
    frames span = std::min(room, spancapacity);
    for (int ch = 0; ch < numchannels; ++ch) {
        if (playing[ch]) {
            const frames sample = notes[ch].sample;
            const frames left = sample < duration[ch] ? duration[ch] - sample : 1;
            span = std::min(span, left);
        } else if (!anygood) {
            span = 1;
        }
    }
    return std::max<frames>(span, 1);
}

// Runs channel ch's generator through a span: its samples and the level
// after each frame go to the channel's span buffers. A resting channel's
// generator does not run, so its waveform waits where it stopped; a wave
// type without a generator is silent at level 0.
void wavelark::generatespan(int ch, frames span) {
    notespec& note = notes[ch];
    std::uint8_t* samples = spanbuffer(spansamples, ch);
    std::uint8_t* levels = spanbuffer(spanlevels, ch);
    if (resting[ch]) {
        std::fill_n(samples, span, 0);
        std::fill_n(levels, span, note.level);
        note.sample += span;
        return;
    }
    switch (wavetype[ch]) {
    case squarewave: square(note, samples, levels, span); break;
    case triwave: tri(note, &shapes[ch], samples, levels, span); break;
    case noisewave: noise(note, samples, levels, span); break;
    case sinewave: sine(note, &shapes[ch], samples, levels, span); break;
    case ptriwave: ptri(note, &shapes[ch], samples, levels, span); break;
    default:
        note.level = 0;
        std::fill_n(samples, span, 0);
        std::fill_n(levels, span, 0);
        note.sample += span;
        break;
    }
}

void wavelark::renderspan(frames span, const block& out, std::int64_t at) {
    // Noise channels draw from one random sequence in channel order, frame
    // by frame, so they run through the span together.
    std::array<notespec*, maxchannels> noisenotes{};
    std::array<std::uint8_t*, maxchannels> noisesamples{};
    std::array<std::uint8_t*, maxchannels> noiselevels{};
    int noisechannels = 0;
    for (int ch = 0; ch < numchannels; ++ch) {
        if (!resting[ch] && wavetype[ch] == noisewave) {
            noisenotes[noisechannels] = &notes[ch];
            noisesamples[noisechannels] = spanbuffer(spansamples, ch);
            noiselevels[noisechannels] = spanbuffer(spanlevels, ch);
            ++noisechannels;
        } else {
            generatespan(ch, span);
        }
    }
    if (noisechannels > 0)
        noise(noisenotes.data(), noisesamples.data(), noiselevels.data(), noisechannels, span);
    for (int ch = 0; ch < numchannels; ++ch) playing[ch] = notes[ch].sample < duration[ch];
    if (out.sixteen)
        mixspan16(span, out, at);
    else
        mixspan8(span, out, at);
    // Within a span only its last frame can end an event, so the tune can
    // only end there.
    for (int ch = 0; ch < numchannels; ++ch) active = active && (anygood || playing[ch]);
}

namespace {

// One channel's part in the mix of a span: its samples, the levels they are
// centred on, and its weights on the left and right sides.
struct mixsource {
    const std::uint8_t* samples;
    const std::uint8_t* levels;
    float left;
    float right;
};

// Frames mixed at a time: the running sums of a stretch stay in the
// fastest cache while every channel is added to them.
constexpr frames stretch = 512;
using sums = std::array<std::int32_t, stretch>;

// Adds one channel's 16-bit shares to the sums of `count` frames. Sums wrap
// within 16 bits, so unity-gain sums may be kept in 32 bits and cut once;
// any other gain truncates the 16-bit running sum after each channel.
template <bool unity, bool bounded>
[[gnu::always_inline]] inline void add16(const mixsource& c, frames from, frames count, float gain,
                                         sums& left, sums& right) {
    const std::uint8_t* samples = c.samples + from;
    const std::uint8_t* levels = c.levels + from;
    for (frames i = 0; i < count; ++i) {
        const std::int32_t centred = std::int32_t{samples[i]} - levels[i] / 2;
        const std::int32_t l = bounded ? boundedshare16(centred, c.left) : share16(centred, c.left);
        const std::int32_t r =
            bounded ? boundedshare16(centred, c.right) : share16(centred, c.right);
        if constexpr (unity) {
            left[i] += l;
            right[i] += r;
        } else if constexpr (bounded) {
            left[i] = boundedaddscaled(low16(left[i]), l, gain);
            right[i] = boundedaddscaled(low16(right[i]), r, gain);
        } else {
            left[i] = addscaled(low16(left[i]), l, gain);
            right[i] = addscaled(low16(right[i]), r, gain);
        }
    }
}

// The most common case, unity gain and pans within bounds, is compiled a
// second time for processors with 256-bit vector instructions, which add
// twice the frames per instruction with the same results; the processor is
// asked once which one to use.
void addunity16(const mixsource& c, frames from, frames count, sums& left, sums& right) {
    add16<true, true>(c, from, count, 1.0f, left, right);
}
#if defined(__x86_64__) && defined(__GNUC__)
[[gnu::target("avx2")]] void addunity16wide(const mixsource& c, frames from, frames count,
                                            sums& left, sums& right) {
    add16<true, true>(c, from, count, 1.0f, left, right);
}
#else
void addunity16wide(const mixsource& c, frames from, frames count, sums& left, sums& right) {
    addunity16(c, from, count, left, right);
}
#endif

// Adds one channel's 8-bit shares; the sums wrap within 8 bits.
template <bool unity, bool bounded>
void add8(const mixsource& c, frames from, frames count, float gain, sums& left, sums& right) {
    const std::uint8_t* samples = c.samples + from;
    for (frames i = 0; i < count; ++i) {
        if constexpr (bounded) {
            left[i] += boundedshare8<unity>(samples[i], c.left, gain);
            right[i] += boundedshare8<unity>(samples[i], c.right, gain);
        } else {
            left[i] += share8(samples[i], c.left, gain, unity);
            right[i] += share8(samples[i], c.right, gain, unity);
        }
    }
}

// Mixes `span` frames of `channels` sources into `values`, which has room
// for `room` values, a stretch at a time.
template <bool sixteen, class value>
void mixsources(const mixsource* sources, int channels, frames span, float gain, bool wide,
                value* values, frames room) {
    const bool unity = gain == 1.0f;
    sums left;
    sums right;
    for (frames from = 0; from < span; from += stretch) {
        const frames count = std::min(stretch, span - from);
        std::fill_n(left.begin(), count, 0);
        std::fill_n(right.begin(), count, 0);
        for (int k = 0; k < channels; ++k) {
            const mixsource& c = sources[k];
            const bool bounded =
                std::abs(c.left) <= boundedweight && std::abs(c.right) <= boundedweight;
            if constexpr (sixteen) {
                if (unity && bounded)
                    (wide ? addunity16wide : addunity16)(c, from, count, left, right);
                else if (unity)
                    add16<true, false>(c, from, count, gain, left, right);
                else if (bounded && std::abs(gain) <= boundedgain16)
                    add16<false, true>(c, from, count, gain, left, right);
                else
                    add16<false, false>(c, from, count, gain, left, right);
            } else {
                if (unity && bounded)
                    add8<true, true>(c, from, count, gain, left, right);
                else if (unity)
                    add8<true, false>(c, from, count, gain, left, right);
                else if (bounded && std::abs(gain) <= boundedgain8)
                    add8<false, true>(c, from, count, gain, left, right);
                else
                    add8<false, false>(c, from, count, gain, left, right);
            }
        }
        value* out = values + 2 * std::size_t{from};
        const frames whole = std::min(count, (room - 2 * from) / 2);
        for (frames i = 0; i < whole; ++i) {
            out[2 * i] = static_cast<value>(left[i]);
            out[2 * i + 1] = static_cast<value>(right[i]);
        }
        // An odd last value has room for the left side only.
        if (whole < count) out[2 * whole] = static_cast<value>(left[whole]);
    }
}

}  // namespace

bool wavelark::haswidevectors() {
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

// 16-bit output centres each sample on half its level; resting channels add
// nothing.
void wavelark::mixspan16(frames span, const block& out, std::int64_t at) {
    std::array<mixsource, maxchannels> sources{};
    int count = 0;
    for (int ch = 0; ch < numchannels; ++ch) {
        if (resting[ch]) continue;
        sources[count++] = {spanbuffer(spansamples, ch), spanbuffer(spanlevels, ch), 1.0f - pan[ch],
                            pan[ch]};
    }
    auto* values = static_cast<std::int16_t*>(out.buf) + at;
    const auto room = static_cast<frames>(out.n - at);
    mixsources<true>(sources.data(), count, span, out.gain, widevectors, values, room);
}

// The 8-bit mix adds every channel's raw sample, resting or not.
void wavelark::mixspan8(frames span, const block& out, std::int64_t at) {
    std::array<mixsource, maxchannels> sources{};
    for (int ch = 0; ch < numchannels; ++ch)
        sources[ch] = {spanbuffer(spansamples, ch), nullptr, 1.0f - pan[ch], pan[ch]};
    auto* values = static_cast<std::uint8_t*>(out.buf) + at;
    const auto room = static_cast<frames>(out.n - at);
    mixsources<false>(sources.data(), numchannels, span, out.gain, widevectors, values, room);
}

// Multiplies the channel's centred sample by its partner's. The partner is
// silenced for this frame, and both levels stay changed until their
// generators next set them.
void wavelark::ringmodulate(int ch, std::vector<std::uint8_t>& cursample) {
    const int p = partner[ch];
    notespec& self = notes[ch];
    notespec& other = notes[p];
    const std::int32_t a = std::int32_t{cursample[ch]} - self.level / 2;
    const std::int32_t b = std::int32_t{cursample[p]} - other.level / 2;
    const std::int32_t level = (std::int32_t{self.level} * other.level) / 255;
    cursample[ch] = low8(a * b / 128 + level / 2);
    self.level = static_cast<std::uint8_t>(level);
    other.level = 0;
    cursample[p] = 0;
}

// One frame, channel by channel in index order, with ring modulation read
// as it goes. Returns whether every channel's event is still running.
bool wavelark::renderframe(std::vector<std::uint8_t>& cursample, const block& out,
                           std::int64_t at) {
    bool allplaying = true;
    for (int ch = 0; ch < numchannels; ++ch) {
        generatespan(ch, 1);
        cursample[ch] = spanbuffer(spansamples, ch)[0];
        playing[ch] = notes[ch].sample < duration[ch];
        allplaying = allplaying && playing[ch];
    }

    const bool unity = out.gain == 1.0f;
    std::int32_t left = 0;
    std::int32_t right = 0;
    for (int ch = 0; ch < numchannels; ++ch) {
        const int p = partner[ch];
        // Only an existing channel can be a partner; other numbers are ignored.
        if (p >= 0 && p < numchannels) ringmodulate(ch, cursample);
        const float rightweight = pan[ch];
        const float leftweight = 1.0f - rightweight;
        const std::uint8_t sample = cursample[ch];
        if (!out.sixteen) {
            left += share8(sample, leftweight, out.gain, unity);
            right += share8(sample, rightweight, out.gain, unity);
        } else if (!resting[ch]) {
            const std::int32_t centred = std::int32_t{sample} - notes[ch].level / 2;
            const std::int32_t l = share16(centred, leftweight);
            const std::int32_t r = share16(centred, rightweight);
            if (unity) {
                left += l;
                right += r;
            } else {
                left = addscaled(low16(left), l, out.gain);
                right = addscaled(low16(right), r, out.gain);
            }
        }
        active = active && (anygood || playing[ch]);
    }

    // An odd last value has room for the left side only.
    if (out.sixteen) {
        auto* values = static_cast<std::int16_t*>(out.buf);
        values[at] = low16(left);
        if (at + 1 < out.n) values[at + 1] = low16(right);
    } else {
        auto* values = static_cast<std::uint8_t*>(out.buf);
        values[at] = low8(left);
        if (at + 1 < out.n) values[at + 1] = low8(right);
    }
    return allplaying;
}
