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
#include <bit>
#include <utility>

#include "generators/modulation.h"
#include "generators/phasecache.h"
#include "renderer/wavelark.h"

namespace {

// The 16-bit mix scales each centred 8-bit sample by 32.
constexpr std::int32_t sixteenbitscale = 32;
// A centred sample lies between -127 (sample 0 at level 255) and 255.
constexpr std::int32_t lowestcentred = -127;

// Wave types with a generator; any other value is silent.
enum wave : std::int32_t { squarewave = 0, triwave, noisewave, sinewave, ptriwave };

std::uint8_t low8(std::int32_t value) { return static_cast<std::uint8_t>(value); }
std::int16_t low16(std::int32_t value) { return static_cast<std::int16_t>(value); }

// A channel's share of a 16-bit side: its centred sample, panned, as 16-bit.
std::int32_t share16(std::int32_t centred, float weight) {
    const float panned = static_cast<float>(centred) * weight;
    return std::int32_t{low16(steps::toint32(panned))} * sixteenbitscale;
}

// Adds a scaled share to a 16-bit side: the running sum is truncated once
// per channel.
std::int16_t addscaled(std::int16_t side, std::int32_t share, float gain) {
    const float scaledshare = static_cast<float>(share) * gain;
    const float sum = static_cast<float>(side) + scaledshare;
    return low16(steps::toint32(sum));
}

// A channel's share of an 8-bit side: the raw sample, panned and scaled.
// Unity gain is exactly 1.0; any other gain scales the panned sample.
std::uint8_t share8(std::uint8_t sample, float weight, float gain, bool unity) {
    const float panned = static_cast<float>(sample) * weight;
    if (unity) return low8(steps::toint32(panned));
    const float scaledshare = panned * gain;
    return low8(steps::toint32(scaledshare));
}

// The centred sample's index in a channel's 16-bit shares.
std::size_t centredindex(std::uint8_t sample, std::uint8_t level) {
    return static_cast<std::size_t>(std::int32_t{sample} - level / 2 - lowestcentred);
}

// Adds one channel's 16-bit shares to a frame's sums. Sums wrap within 16
// bits, so unity-gain sums may be kept in 32 bits and cut once; any other
// gain truncates the 16-bit running sum after each channel.
template <bool unity>
void add16(std::int32_t& left, std::int32_t& right, const wavelark::sharetable& shares,
           std::size_t centred, float gain) {
    if constexpr (unity) {
        left += shares.left16[centred];
        right += shares.right16[centred];
    } else {
        left = addscaled(low16(left), shares.left16[centred], gain);
        right = addscaled(low16(right), shares.right16[centred], gain);
    }
}

// Adds one channel's 8-bit shares; the sums wrap within 8 bits.
void add8(std::int32_t& left, std::int32_t& right, const wavelark::sharetable& shares,
          std::uint8_t sample) {
    left += shares.left8[sample];
    right += shares.right8[sample];
}

}  // namespace

void wavelark::sharetable::prepare(float pan, float gain) {
    const auto p = std::bit_cast<std::uint32_t>(pan);
    const auto g = std::bit_cast<std::uint32_t>(gain);
    if (valid && p == panbits && g == gainbits) return;
    valid = true;
    panbits = p;
    gainbits = g;
    const float right = pan;
    const float left = 1.0f - right;
    for (std::int32_t v = lowestcentred; v <= 255; ++v) {
        left16[v - lowestcentred] = share16(v, left);
        right16[v - lowestcentred] = share16(v, right);
    }
    const bool unity = gain == 1.0f;
    for (int s = 0; s < 256; ++s) {
        left8[s] = share8(static_cast<std::uint8_t>(s), left, gain, unity);
        right8[s] = share8(static_cast<std::uint8_t>(s), right, gain, unity);
    }
}

void wavelark::preparemixer() {
    spansamples.assign(static_cast<std::size_t>(numchannels) * spancapacity, 0);
    spanlevels.assign(static_cast<std::size_t>(numchannels) * spancapacity, 0);
    shares.resize(static_cast<std::size_t>(numchannels));
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

// One channel's part in the mix of a span.
struct mixsource {
    const std::uint8_t* samples;
    const std::uint8_t* levels;
    const wavelark::sharetable* shares;
};

// The left and right sums of frame i, over `channels` sources in channel
// order.
template <int channels, bool sixteen, bool unity>
std::pair<std::int32_t, std::int32_t> mixframe(const mixsource* sources, frames i, float gain) {
    std::int32_t left = 0;
    std::int32_t right = 0;
    for (int k = 0; k < channels; ++k) {
        const mixsource& c = sources[k];
        if constexpr (sixteen)
            add16<unity>(left, right, *c.shares, centredindex(c.samples[i], c.levels[i]), gain);
        else
            add8(left, right, *c.shares, c.samples[i]);
    }
    return {left, right};
}

// Mixes `span` frames into `values`, which has room for `room` values.
template <int channels, bool sixteen, bool unity, class value>
void mixframes(const mixsource* sources, frames span, float gain, value* values, frames room) {
    auto cut = [](std::int32_t sum) {
        if constexpr (sixteen)
            return low16(sum);
        else
            return low8(sum);
    };
    const frames whole = std::min(span, room / 2);
    for (frames i = 0; i < whole; ++i) {
        const auto [left, right] = mixframe<channels, sixteen, unity>(sources, i, gain);
        values[2 * i] = cut(left);
        values[2 * i + 1] = cut(right);
    }
    // An odd last value has room for the left side only.
    if (whole < span)
        values[2 * whole] = cut(mixframe<channels, sixteen, unity>(sources, whole, gain).first);
}

template <bool sixteen, bool unity, class value>
void mixsources(const mixsource* sources, int channels, frames span, float gain, value* values,
                frames room) {
    switch (channels) {
    case 0: mixframes<0, sixteen, unity>(sources, span, gain, values, room); break;
    case 1: mixframes<1, sixteen, unity>(sources, span, gain, values, room); break;
    case 2: mixframes<2, sixteen, unity>(sources, span, gain, values, room); break;
    case 3: mixframes<3, sixteen, unity>(sources, span, gain, values, room); break;
    default: mixframes<maxchannels, sixteen, unity>(sources, span, gain, values, room); break;
    }
}

}  // namespace

// 16-bit output centres each sample on half its level; resting channels add
// nothing.
void wavelark::mixspan16(frames span, const block& out, std::int64_t at) {
    std::array<mixsource, maxchannels> sources{};
    int count = 0;
    for (int ch = 0; ch < numchannels; ++ch) {
        if (resting[ch]) continue;
        shares[ch].prepare(pan[ch], out.gain);
        sources[count++] = {spanbuffer(spansamples, ch), spanbuffer(spanlevels, ch), &shares[ch]};
    }
    auto* values = static_cast<std::int16_t*>(out.buf) + at;
    const auto room = static_cast<frames>(out.n - at);
    if (out.gain == 1.0f)
        mixsources<true, true>(sources.data(), count, span, out.gain, values, room);
    else
        mixsources<true, false>(sources.data(), count, span, out.gain, values, room);
}

// The 8-bit mix adds every channel's raw sample, resting or not.
void wavelark::mixspan8(frames span, const block& out, std::int64_t at) {
    std::array<mixsource, maxchannels> sources{};
    for (int ch = 0; ch < numchannels; ++ch) {
        shares[ch].prepare(pan[ch], out.gain);
        sources[ch] = {spanbuffer(spansamples, ch), nullptr, &shares[ch]};
    }
    auto* values = static_cast<std::uint8_t*>(out.buf) + at;
    const auto room = static_cast<frames>(out.n - at);
    mixsources<false, true>(sources.data(), numchannels, span, out.gain, values, room);
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
        sharetable& table = shares[ch];
        table.prepare(pan[ch], out.gain);
        if (!out.sixteen) {
            add8(left, right, table, cursample[ch]);
        } else if (!resting[ch]) {
            const std::size_t centred = centredindex(cursample[ch], notes[ch].level);
            if (unity)
                add16<true>(left, right, table, centred, out.gain);
            else
                add16<false>(left, right, table, centred, out.gain);
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
