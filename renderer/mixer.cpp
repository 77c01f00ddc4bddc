// The frame renderer and mixer: alternates between reading the channels'
// next events and rendering frames, and mixes each frame's channel samples,
// with ring modulation, panning and gain, into one stereo value pair.
#include "generators/modulation.h"
#include "renderer/wavelark.h"

namespace {

// The 16-bit mix scales each centred 8-bit sample by 32.
constexpr std::int32_t sixteenbitscale = 32;

std::uint8_t low8(std::int32_t value) { return static_cast<std::uint8_t>(value); }
std::int16_t low16(std::int32_t value) { return static_cast<std::int16_t>(value); }

// One frame's running sums; each wraps within its width, nothing is clipped.
struct framesums {
    std::uint8_t left8 = 0;
    std::uint8_t right8 = 0;
    std::int16_t left16 = 0;
    std::int16_t right16 = 0;
};

// A channel's share of a 16-bit side: its centred sample, panned, as 16-bit.
std::int32_t share16(std::int32_t centred, float weight) {
    const float panned = static_cast<float>(centred) * weight;
    return std::int32_t{low16(steps::toint32(panned))} * sixteenbitscale;
}

// Adds one share to a 16-bit side. Unity gain is exactly 1.0; any other gain
// scales the share and truncates the running sum once per channel.
void add16(std::int16_t& side, std::int32_t share, float gain, bool unity) {
    if (unity) {
        side = low16(side + share);
        return;
    }
    const float scaledshare = static_cast<float>(share) * gain;
    const float sum = static_cast<float>(side) + scaledshare;
    side = low16(steps::toint32(sum));
}

// A channel's share of an 8-bit side: the raw sample, panned and scaled.
std::uint8_t share8(std::uint8_t sample, float weight, float gain, bool unity) {
    const float panned = static_cast<float>(sample) * weight;
    if (unity) return low8(steps::toint32(panned));
    const float scaledshare = panned * gain;
    return low8(steps::toint32(scaledshare));
}

}  // namespace

void wavelark::parse8(std::uint8_t* buf, int n, float gain) { parse(buf, n, gain, false); }

void wavelark::parse16(std::int16_t* buf, int n, float gain) { parse(buf, n, gain, true); }

// Sets the channel's sample for this frame; a resting channel's generator
// does not run, so its waveform waits where it stopped.
void wavelark::generate(int ch, std::vector<std::uint8_t>& cursample) {
    notespec& note = notes[ch];
    if (resting[ch]) {
        cursample[ch] = 0;
        return;
    }
    switch (wavetype[ch]) {
    case 0: cursample[ch] = square(note); break;
    case 1: cursample[ch] = tri(note); break;
    case 2: cursample[ch] = noise(note); break;
    case 3: cursample[ch] = sine(note); break;
    case 4: cursample[ch] = ptri(note); break;
    default:
        cursample[ch] = 0;
        note.level = 0;
        break;
    }
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

void wavelark::parse(void* buf, int n, float gain, bool sixteen) {
    if (n <= 0) return;
    auto* out8 = static_cast<std::uint8_t*>(buf);
    auto* out16 = static_cast<std::int16_t*>(buf);
    const bool unity = gain == 1.0f;
    std::vector<std::uint8_t> cursample(numchannels);

    // The value pair of one frame; an odd last value has room for the left only.
    auto store = [&](int at, const framesums& sums) {
        if (sixteen) {
            out16[at] = sums.left16;
            if (at + 1 < n) out16[at + 1] = sums.right16;
        } else {
            out8[at] = sums.left8;
            if (at + 1 < n) out8[at + 1] = sums.right8;
        }
    };

    int at = 0;
    while (active && at < n) {
        for (int ch = 0; ch < numchannels; ++ch) readcommands(ch);
        bool allplaying = true;
        do {
            for (int ch = 0; ch < numchannels; ++ch) {
                generate(ch, cursample);
                notespec& note = notes[ch];
                note.sample += 1;
                playing[ch] = note.sample < duration[ch];
                allplaying = allplaying && playing[ch];
            }

            framesums sums;
            for (int ch = 0; ch < numchannels; ++ch) {
                const int p = partner[ch];
                // Only an existing channel can be a partner; other numbers are ignored.
                if (p >= 0 && p < numchannels) ringmodulate(ch, cursample);
                const std::uint8_t s = cursample[ch];
                const float right = pan[ch];
                const float left = 1.0f - right;
                if (sixteen) {
                    if (!resting[ch]) {
                        const std::int32_t centred = std::int32_t{s} - notes[ch].level / 2;
                        add16(sums.left16, share16(centred, left), gain, unity);
                        add16(sums.right16, share16(centred, right), gain, unity);
                    }
                } else {
                    sums.left8 = low8(sums.left8 + share8(s, left, gain, unity));
                    sums.right8 = low8(sums.right8 + share8(s, right, gain, unity));
                }
                active = active && (anygood || playing[ch]);
            }
            store(at, sums);
            at += 2;
        } while (allplaying && at < n);
    }
    for (; at < n; ++at) {
        if (sixteen)
            out16[at] = 0;
        else
            out8[at] = 0;
    }
}
