// The frame renderer and mixer, end to end: tunes written in notation are
// rendered by the real binary and their frames read back from the WAV file.
// A few tests drive parse8/parse16 in-process for the call contract.
//
// Most fixtures hold a channel at a constant sample: a square wave whose
// inflection is 1 is high in every frame, so its sample and its level both
// equal the volume, and its centred value is volume - volume / 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "generators/randombits.h"
#include "renderer/wavelark.h"
#include "support/scratch.h"

using namespace testing_support;

// Counts the allocations made while `counting` is set, to check what one
// parse call allocates.
namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
}  // namespace

// The replacements hand out malloc memory and return it with free; the
// compiler cannot see that the pair matches once a delete is inlined.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    if (counting) ++allocations;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

// A square note that is high in every frame: sample = level = volume.
const std::string flat = "i.99999999 ";

struct frame {
    int left;
    int right;
    bool operator==(const frame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const frame& f) {
    return out << '(' << f.left << ", " << f.right << ')';
}

// `count` consecutive frames holding `value`.
struct span {
    int count;
    frame value;
};

std::vector<frame> expand(const std::vector<span>& spans) {
    std::vector<frame> frames;
    for (const span& s : spans) frames.insert(frames.end(), s.count, s.value);
    return frames;
}

// Compares whole frame sequences, naming the first frame that differs.
::testing::AssertionResult sameframes(const std::vector<frame>& got,
                                      const std::vector<frame>& want) {
    const std::size_t common = std::min(got.size(), want.size());
    for (std::size_t k = 0; k < common; ++k)
        if (got[k] != want[k])
            return ::testing::AssertionFailure()
                   << "frame " << k << " is " << got[k] << ", expected " << want[k];
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << got.size() << " frames, expected " << want.size();
    return ::testing::AssertionSuccess();
}

std::vector<frame> framesof(const wavfile& wav) {
    std::vector<frame> frames;
    if (wav.bits == 16) {
        const std::vector<std::int16_t> values = wav.samples16();
        for (std::size_t i = 0; i + 1 < values.size(); i += 2)
            frames.push_back({values[i], values[i + 1]});
    } else {
        for (std::size_t i = 0; i + 1 < wav.data.size(); i += 2)
            frames.push_back({wav.data[i], wav.data[i + 1]});
    }
    return frames;
}

// Renders a tune through the binary with `options` and returns every frame
// of the data. Unless `exact` is false, blocks are one frame long, so the
// data holds the tune's frames and nothing after them.
std::vector<frame> render(const scratchdir& dir, const std::string& index,
                          const std::vector<std::string>& channels,
                          const std::vector<std::string>& options, bool exact = true) {
    static int runs = 0;
    const std::string name = "tune" + std::to_string(++runs);
    dir.tune(name, index, channels);
    std::vector<std::string> args = {"-d", name, "-o", name + ".wav"};
    if (exact) args.insert(args.end(), {"-s", "1"});
    args.insert(args.end(), options.begin(), options.end());
    const runresult r = runwavelark(args, dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out + r.err, "");
    const wavfile wav = readwav(dir.path() / (name + ".wav"));
    EXPECT_EQ(wav.datasize, wav.data.size());
    return framesof(wav);
}

// --- One note -------------------------------------------------------------

TEST(SquareNote, OneSecondOfA4IsHighForFiftyOneFramesOfEveryHundred) {
    struct width {
        std::vector<std::string> options;
        frame high;
        frame low;
    };
    const width widths[] = {{{}, {64, 64}, {0, 0}}, {{"-16"}, {1024, 1024}, {-1024, -1024}}};
    for (const width& w : widths) {
        scratchdir dir;
        const std::vector<frame> frames = render(dir, "1 0\n", {"o4a1"}, w.options);
        std::vector<frame> want;
        // Phases 1..99 then 0: high up to phase 50 and at phase 0.
        for (int k = 0; k < samplerate; ++k) {
            const int phase = (k + 1) % 100;
            want.push_back(phase <= 50 ? w.high : w.low);
        }
        EXPECT_TRUE(sameframes(frames, want)) << (w.options.empty() ? "8-bit" : "16-bit");
    }
}

// --- Panning, gain and wrapping ---------------------------------------------

struct mixcase {
    const char* name;
    std::string index;
    std::vector<std::string> channels;
    std::vector<std::string> options;
    std::vector<span> frames;
};

std::vector<std::string> copies(int count, const std::string& channel) {
    return std::vector<std::string>(count, channel);
}

TEST(Mixer, PansScalesAndWrapsEachChannelsContribution) {
    const std::string full = "v255 " + flat + "p.0 l10 c1";
    const std::string quarter = "v4 " + flat + "l10 c1";
    const mixcase cases[] = {
        {"four 8-bit samples of 255 at the left wrap 1020 to 252",
         "4 0 0 0 0",
         copies(4, full),
         {},
         {{10, {252, 0}}}},
        {"four 16-bit centred values of 128 at the left add 4 x 4096",
         "4 0 0 0 0",
         copies(4, full),
         {"-16"},
         {{10, {16384, 0}}}},
        {"gain 3 wraps the 16-bit sum of 4 x 12288 to -16384 without clipping",
         "4 0 0 0 0",
         copies(4, full),
         {"-16", "-g", "3"},
         {{10, {-16384, 0}}}},
        {"gain 2 keeps the low 8 bits of each 8-bit contribution, 510 -> 254",
         "4 0 0 0 0",
         copies(4, full),
         {"-g", "2"},
         {{10, {248, 0}}}},
        {"gain 1.0 is unity: 255 stays 255", "1 0", {full}, {"-g", "1.0"}, {{10, {255, 0}}}},
        {"gain 0.9999999 is not unity: 254.99997 truncates to 254",
         "1 0",
         {full},
         {"-g", "0.9999999"},
         {{10, {254, 0}}}},
        {"8-bit gain truncates each channel's contribution: 1.5 + 1.5 gives 2",
         "2 0 0",
         copies(2, "v1 " + flat + "p.0 l10 c1"),
         {"-g", "1.5"},
         {{10, {2, 0}}}},
        {"a gain beyond the 32-bit range saturates the 8-bit contribution",
         "1 0",
         {full},
         {"-g", "1e10"},
         {{10, {255, 0}}}},
        {"a gain beyond the 32-bit range saturates the 16-bit sum",
         "1 0",
         {full},
         {"-16", "-g", "1e10"},
         {{10, {-1, 0}}}},
        {"a gain below the 32-bit range saturates to the lower bound",
         "1 0",
         {full},
         {"-16", "-g", "-1e10"},
         {{10, {0, 0}}}},
        // v = -3 in the low frames of a level-7 square: -1.5 truncates to -1.
        {"16-bit panned values truncate toward zero",
         "1 0",
         {"v7 l60 c1"},
         {"-16"},
         {{50, {64, 64}}, {10, {-32, -32}}}},
        // 1 - 0.1f is 0.89999998 in single precision, and 10 x that rounds to
        // exactly 9; in double it stays below 9 and would truncate to 8.
        {"8-bit panning is single precision",
         "1 0",
         {"v10 " + flat + "p.1 l10 c1"},
         {},
         {{10, {9, 1}}}},
        {"16-bit panning is single precision",
         "1 0",
         {"v20 " + flat + "p.1 l10 c1"},
         {"-16"},
         {{10, {288, 32}}}},
        // Centred -4 and +2 at pan 0.5 give -64 and +32; x 1/64 that is -1
        // and +0.5, and -1 + 0.5 truncates to 0, not to -1.
        {"the 16-bit gain row truncates the running sum, not the product",
         "2 0 0",
         {"v8 l60 c1", "v4 " + flat + "l60 c1"},
         {"-16", "-g", "0.015625"},
         {{50, {1, 1}}, {10, {0, 0}}}},
        // 0 + 0.5 truncates to 0 three times before 16 is added; one sum over
        // all channels would give 17.
        {"the 16-bit gain row truncates once per channel",
         "4 0 0 0 0",
         {quarter, quarter, quarter, "v128 " + flat + "l10 c1"},
         {"-16", "-g", "0.015625"},
         {{10, {16, 16}}}},
    };
    for (const mixcase& c : cases) {
        scratchdir dir;
        EXPECT_TRUE(sameframes(render(dir, c.index, c.channels, c.options), expand(c.frames)))
            << c.name;
    }
}

// --- Ring modulation ------------------------------------------------------

TEST(RingModulation, MultipliesCentredSamplesAndSilencesThePartner) {
    const std::string c200 = "v200 " + flat;
    const std::string c100 = "v100 " + flat;
    const mixcase cases[] = {
        // a = 100, b = 50, level 20000 / 255 = 78: sample 39 + 39 = 78.
        {"sample 200 by sample 100 gives 78; the partner is silent",
         "2 0 0",
         {c200 + "p.0 *1 l10 c1", c100 + "l10 c1"},
         {},
         {{10, {78, 0}}}},
        // a = 255 - 127 = 128, b = 128 - 64 = 64, level 32640 / 255 = 128.
        {"odd levels centre on half the level rounded down",
         "2 0 0",
         {"v255 " + flat + "p.0 *1 l10 c1", "v128 " + flat + "l10 c1"},
         {},
         {{10, {128, 0}}}},
        {"16-bit: centred 78 - 39 at the left; the partner centres 0 - 0",
         "2 0 0",
         {c200 + "p.0 *1 l10 c1", c100 + "l10 c1"},
         {"-16"},
         {{10, {39 * 32, 0}}}},
        // The stepped triangle starts with three frames of 0 at level 100:
        // b = -50, -5000 / 128 truncates to -39, and -39 + 39 = 0. Its fourth
        // sample, 6, gives b = -44: -4400 / 128 = -34, and -34 + 39 = 5.
        {"a partner sample of 0 cancels the channel, truncating toward zero",
         "2 0 4",
         {c200 + "p.0 *1 l4 c1", "v100 l4 c1"},
         {},
         {{3, {0, 0}}, {1, {5, 0}}}},
        {"a partner with a lower index is mixed with its own sample first",
         "2 0 0",
         {c100 + "p.0 l10 c1", c200 + "p.99999999 *0 l10 c1"},
         {},
         {{10, {100, 78}}}},
        {"16-bit: the lower partner is mixed before it is silenced",
         "2 0 0",
         {c100 + "p.0 l10 c1", c200 + "p.99999999 *0 l10 c1"},
         {"-16"},
         {{10, {50 * 32, 39 * 32}}}},
        // Channel 1 is silenced by channel 0 before its own turn, so its
        // ring modulation works on zeros and silences channel 2 in turn.
        {"a chain of partners silences every partner down the chain",
         "3 0 0 0",
         {c200 + "p.0 *1 l10 c1", c100 + "*2 l10 c1", "v50 " + flat + "l10 c1"},
         {},
         {{10, {78, 0}}}},
        {"a partner beyond the channel count is ignored",
         "2 0 0",
         {c200 + "p.0 *3 l10 c1", c100 + "p.99999999 l10 c1"},
         {},
         {{10, {200, 100}}}},
    };
    for (const mixcase& c : cases) {
        scratchdir dir;
        EXPECT_TRUE(sameframes(render(dir, c.index, c.channels, c.options), expand(c.frames)))
            << c.name;
    }
}

TEST(RingModulation, GivesARestingChannelASampleThatOnly8BitOutputMixes) {
    // Channel 0 holds level 200 from its note into its rest. Channel 1 is a
    // triangle of period 1 from frame 99 on: sample 0 at level 100 in every
    // frame. In the rest's first frame a = -100 and b = -50 give sample 78
    // and level 78; the next frame starts from level 78: a = -39 gives
    // 1950 / 128 = 15, plus level 7800 / 255 = 30 halved.
    const std::vector<std::string> channels = {"v200 " + flat + "l100 c1 *1 r1", "v100 w(1)1"};
    struct width {
        std::vector<std::string> options;
        frame first;
        frame second;
    };
    const width widths[] = {{{}, {39, 39}, {15, 15}}, {{"-16"}, {0, 0}, {0, 0}}};
    for (const width& w : widths) {
        scratchdir dir;
        const std::vector<frame> frames = render(dir, "2 0 1", channels, w.options);
        ASSERT_EQ(frames.size(), 200u);
        EXPECT_EQ(frames[100], w.first);
        EXPECT_EQ(frames[101], w.second);
    }
}

// --- Events and the end of the tune --------------------------------------

TEST(Events, AnEventOfDFramesOccupiesExactlyDFrames) {
    const mixcase cases[] = {
        // Both channels' events end together after frames 13 and 20. Channel
        // 1's newline keeps the tune going one frame past its last event,
        // which cuts channel 0's last note to four frames.
        {"back-to-back events on two channels",
         "2 0 0",
         {"p.0 " + flat + "l7 v200c1 v100c1 r1 v50c1",
          "p.99999999 " + flat + "l7 v30c2 v60c1 l3 v90c1\n"},
         {},
         {{7, {200, 30}}, {7, {100, 30}}, {7, {0, 60}}, {4, {50, 90}}}},
        {"16-bit: a resting channel adds nothing",
         "2 0 0",
         {"p.0 " + flat + "l7 v200c1 v100c1 r1 v50c1",
          "p.99999999 " + flat + "l7 v30c2 v60c1 l3 v90c1\n"},
         {"-16"},
         {{7, {3200, 480}}, {7, {1600, 480}}, {7, {0, 960}}, {4, {800, 1440}}}},
        {"events of length 0 last one frame",
         "1 0",
         {"p.0 " + flat + "v200 l0 c v100 c9 r v50 c l3 v25 c1"},
         {},
         {{1, {200, 0}}, {1, {100, 0}}, {1, {0, 0}}, {1, {50, 0}}, {3, {25, 0}}}},
    };
    for (const mixcase& c : cases) {
        scratchdir dir;
        EXPECT_TRUE(sameframes(render(dir, c.index, c.channels, c.options), expand(c.frames)))
            << c.name;
    }
}

struct endingcase {
    const char* name;
    std::string index;
    std::vector<std::string> channels;
    std::vector<span> frames8;
    std::vector<span> frames16;
};

const std::string left200 = "v200 " + flat + "p.0 ";
const std::string right100 = "v100 " + flat + "p.99999999 ";

const endingcase endings[] = {
    {"the tune ends with the frame that ends its last event",
     "1 0",
     {"v200 " + flat + "l10 c1"},
     {{10, {100, 100}}},
     {{10, {1600, 1600}}}},
    {"trailing line ends add one frame of the held note",
     "1 0",
     {"v200 " + flat + "l10 c1\n\n; the end\n"},
     {{11, {100, 100}}},
     {{11, {1600, 1600}}}},
    {"a note whose input has ended sounds on while another channel plays",
     "2 0 0",
     {left200 + "l10 c1", right100 + "l30 c1\n"},
     {{31, {200, 100}}},
     {{31, {3200, 1600}}}},
    {"the end of the last input cuts a running event short",
     "2 0 0",
     {left200 + "l10 c1", right100 + "l30 c1"},
     {{10, {200, 100}}},
     {{10, {3200, 1600}}}},
    {"files of blanks and comments give one second of silence",
     "2 0 3",
     {"  \n; nothing to play\n\n", ""},
     {{samplerate, {0, 0}}},
     {{samplerate, {0, 0}}}},
    {"a negative wave type is silent but its event ends the tune",
     "2 -1 0",
     {left200 + "l10 c1", "v100 " + flat + "p.0 l30 c1"},
     {{10, {100, 0}}},
     {{10, {1600, 0}}}},
    {"a negative wave type's event keeps the tune going",
     "2 -1 0",
     {left200 + "l30 c1\n", "v100 " + flat + "p.0 l10 c1"},
     {{31, {100, 0}}},
     {{31, {1600, 0}}}},
    {"empty channel files give no frames at all", "2 0 0", {"", ""}, {}, {}},
    {"no channels give no frames at all", "0", {}, {}, {}},
};

TEST(TuneEnding, StoresTheFinalFrameAndNothingAfterIt) {
    for (const endingcase& c : endings) {
        scratchdir dir;
        EXPECT_TRUE(sameframes(render(dir, c.index, c.channels, {}), expand(c.frames8)))
            << c.name << ", 8-bit";
        EXPECT_TRUE(sameframes(render(dir, c.index, c.channels, {"-16"}), expand(c.frames16)))
            << c.name << ", 16-bit";
    }
}

// A tune that exercises every generator, rests, envelope, tremolo, sweep,
// vibrato, panning and ring modulation, with events ending at many frames.
const std::vector<std::string> busytune = {
    "v180 n-1/40 l300 c2 e1 r1 g#1 *2\n; held from here\n",
    "l250 o5 v90 c1 d1 r1 n20~30 e2",
    "p.25 s3~50 l200 a1 b1 i.3 c1 s-2/100 d2",
    "i.3 p.8 l123 c1 w(40)3 r2 v255 n5/7 f1\n",
};

TEST(BlockBoundaries, DoNotShowInTheData) {
    for (const bool sixteen : {false, true}) {
        std::vector<std::string> options;
        if (sixteen) options = {"-16", "-g", "0.75"};
        scratchdir dir;
        const std::vector<frame> tune = render(dir, "4 1 2 3 4", busytune, options);
        ASSERT_GT(tune.size(), 1000u);
        // 11025 frames is the default block.
        for (const int blockframes : {7, 11025}) {
            std::vector<std::string> blocked = options;
            if (blockframes != 11025)
                blocked.insert(blocked.end(), {"-s", std::to_string(blockframes)});
            std::vector<frame> want = tune;
            const std::size_t blocks = (tune.size() + blockframes - 1) / blockframes;
            want.resize(blocks * blockframes, frame{0, 0});
            EXPECT_TRUE(sameframes(render(dir, "4 1 2 3 4", busytune, blocked, false), want))
                << blockframes << " frames per block, " << (sixteen ? "16" : "8") << "-bit";
        }
    }
}

// --- The parse call in-process --------------------------------------------

// The state a parse call may change, for before/after comparisons.
struct snapshot {
    bool active;
    bool anygood;
    std::vector<std::int32_t> charnum;
    std::vector<frames> sample;
    std::vector<bool> playing;
    std::vector<std::uint8_t> level;
    bool operator==(const snapshot&) const = default;
};

snapshot take(const wavelark& w) {
    snapshot s{w.active, w.anygood, w.charnum, {}, w.playing, {}};
    for (const auto& note : w.notes) {
        s.sample.push_back(note.sample);
        s.level.push_back(note.level);
    }
    return s;
}

// Two channels of a few short events, ending with a newline on one of them.
const std::vector<std::string> shorttune = {"l5 v200 c1 r1 e2 *1", "p.2 l3 a1 b2 c3\n"};

// Renders a whole tune in calls of the given sizes, cycling through them.
template <typename value>
std::vector<value> renderinpieces(const std::string& dir, const std::vector<int>& sizes) {
    wavelark w(dir.c_str(), false);
    std::vector<value> out;
    for (std::size_t i = 0; !w.done(); ++i) {
        std::vector<value> block(sizes[i % sizes.size()]);
        if constexpr (sizeof(value) == 1)
            w.parse8(block.data(), static_cast<int>(block.size()), 1.0f);
        else
            w.parse16(block.data(), static_cast<int>(block.size()), 0.5f);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

template <typename value>
void expectsamedata(const std::string& dir) {
    const std::vector<value> exact = renderinpieces<value>(dir, {2});
    ASSERT_GT(exact.size(), 40u);
    for (const std::vector<int>& sizes :
         std::vector<std::vector<int>>{{4}, {6, 2, 14}, {1000}, {22, 2, 2, 30}}) {
        std::vector<value> got = renderinpieces<value>(dir, sizes);
        ASSERT_GE(got.size(), exact.size());
        const std::vector<value> tail(got.begin() + exact.size(), got.end());
        got.resize(exact.size());
        EXPECT_EQ(got, exact) << "first call of " << sizes.front() << " values";
        EXPECT_TRUE(std::all_of(tail.begin(), tail.end(), [](value v) { return v == 0; }));
    }
}

TEST(ParseCall, GivesTheSameFramesWhateverTheCallSizes) {
    scratchdir dir;
    const std::string tune = dir.tune("tune", "2 1 4", shorttune).string();
    expectsamedata<std::uint8_t>(tune);
    expectsamedata<std::int16_t>(tune);
}

TEST(ParseCall, WithNoValuesStoresReadsAndChangesNothing) {
    scratchdir dir;
    const std::string tune = dir.tune("tune", "2 1 4", shorttune).string();
    const std::vector<std::uint8_t> reference = renderinpieces<std::uint8_t>(tune, {2});

    wavelark w(tune.c_str(), false);
    std::vector<std::uint8_t> buf8(8, 0xAA);
    std::vector<std::int16_t> buf16(8, 0x5555);
    std::vector<std::uint8_t> data;
    // Before the first block, after a few frames, and in the middle of an event.
    for (const int count : {0, 3, 1}) {
        if (count > 0) {
            std::vector<std::uint8_t> block(2 * count);
            w.parse8(block.data(), 2 * count, 1.0f);
            data.insert(data.end(), block.begin(), block.end());
        }
        const snapshot before = take(w);
        for (const int n : {0, -1, -2}) {
            counting = true;
            allocations = 0;
            w.parse8(buf8.data(), n, 1.0f);
            w.parse16(buf16.data(), n, 1.0f);
            counting = false;
            EXPECT_EQ(allocations, 0) << "n = " << n;
        }
        EXPECT_TRUE(take(w) == before) << "after " << data.size() / 2 << " frames";
        EXPECT_EQ(buf8, std::vector<std::uint8_t>(8, 0xAA));
        EXPECT_EQ(buf16, std::vector<std::int16_t>(8, 0x5555));
    }
    // The rest of the tune continues as if those calls had never been made.
    while (!w.done()) {
        std::vector<std::uint8_t> block(2);
        w.parse8(block.data(), 2, 1.0f);
        data.insert(data.end(), block.begin(), block.end());
    }
    EXPECT_EQ(data, reference);
}

TEST(ParseCall, WithAnOddCountStoresTheLeftValueOfTheLastFrameOnly) {
    scratchdir dir;
    const std::string tune = dir.tune("tune", "2 1 4", shorttune).string();
    const std::vector<std::uint8_t> ref8 = renderinpieces<std::uint8_t>(tune, {2});
    const std::vector<std::int16_t> ref16 = renderinpieces<std::int16_t>(tune, {2});
    for (const int n : {1, 3, 9}) {
        wavelark w8(tune.c_str(), false);
        std::vector<std::uint8_t> buf8(n + 1, 0xAA);
        w8.parse8(buf8.data(), n, 1.0f);
        EXPECT_EQ(std::vector<std::uint8_t>(buf8.begin(), buf8.end() - 1),
                  std::vector<std::uint8_t>(ref8.begin(), ref8.begin() + n));
        EXPECT_EQ(buf8.back(), 0xAA) << "n = " << n;

        wavelark w16(tune.c_str(), false);
        std::vector<std::int16_t> buf16(n + 1, 0x5555);
        w16.parse16(buf16.data(), n, 0.5f);
        EXPECT_EQ(std::vector<std::int16_t>(buf16.begin(), buf16.end() - 1),
                  std::vector<std::int16_t>(ref16.begin(), ref16.begin() + n));
        EXPECT_EQ(buf16.back(), 0x5555) << "n = " << n;
    }
}

TEST(ParseCall, AfterTheEndStoresOnlyZerosAndStaysDone) {
    scratchdir dir;
    const std::string tune = dir.tune("tune", "2 1 4", shorttune).string();
    wavelark w(tune.c_str(), false);
    std::vector<std::uint8_t> buf8(1000);
    w.parse8(buf8.data(), 1000, 1.0f);
    ASSERT_TRUE(w.done());
    const snapshot ended = take(w);
    for (int call = 0; call < 2; ++call) {
        std::fill(buf8.begin(), buf8.end(), 0xAA);
        w.parse8(buf8.data(), 1000, 1.0f);
        EXPECT_TRUE(std::all_of(buf8.begin(), buf8.end(), [](std::uint8_t v) { return v == 0; }));
        std::vector<std::int16_t> buf16(6, 0x5555);
        w.parse16(buf16.data(), 6, 3.0f);
        EXPECT_EQ(buf16, std::vector<std::int16_t>(6, 0));
        EXPECT_TRUE(w.done());
        EXPECT_TRUE(take(w) == ended);
    }
}

TEST(ParseCall, AllocatesNothingButOneSampleRowPerCall) {
    scratchdir dir;
    const std::string tune = dir.tune("tune", "4 0 1 3 4", copies(4, "l30000 c1 r1\n")).string();
    wavelark w(tune.c_str(), false);
    std::vector<std::int16_t> block(2 * 20000);
    for (int call = 0; call < 3; ++call) {
        counting = true;
        allocations = 0;
        w.parse16(block.data(), static_cast<int>(block.size()), 0.5f);
        counting = false;
        EXPECT_LE(allocations, 1) << "call " << call;
    }
}

}  // namespace

// The 16-bit mix at unity gain may use the processor's 256-bit vector
// instructions; with them or without, every value must be the same.
TEST(Mixer, GivesTheSameValuesWithOrWithoutWideVectorInstructions) {
    if (!wavelark::haswidevectors()) GTEST_SKIP() << "this processor has no 256-bit vectors";
    const std::string tune = std::string(WAVELARK_SOURCE_DIR) + "/examples/canon";
    auto render = [&](bool wide) {
        // Both renders draw the noise channel's bits from the start.
        steps::restartrandom();
        wavelark w(tune.c_str(), false);
        w.widevectors = wide;
        std::vector<std::int16_t> data;
        std::vector<std::int16_t> block(22050);
        while (!w.done()) {
            w.parse16(block.data(), static_cast<int>(block.size()), 1.0f);
            data.insert(data.end(), block.begin(), block.end());
        }
        return data;
    };
    const std::vector<std::int16_t> wide = render(true);
    const std::vector<std::int16_t> narrow = render(false);
    ASSERT_EQ(wide.size(), narrow.size());
    EXPECT_TRUE(wide == narrow);
}
