// The five waveform generators, driven directly on a note state one frame at
// a time, the way the mixer calls them: generator first, then sample + 1.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "generators/modulation.h"
#include "generators/phasecache.h"
#include "generators/randombits.h"

namespace {

using notespec = wavelark::notespec;
using generator = std::uint8_t (*)(notespec&);

struct voice {
    const char* name;
    generator play;
};

const voice square{"square", wavelark::square};
const voice tri{"tri", wavelark::tri};
const voice noise{"noise", wavelark::noise};
const voice sine{"sine", wavelark::sine};
const voice ptri{"ptri", wavelark::ptri};

// A channel's note state as the renderer sets it up before any command.
notespec freshnote() { return wavelark::freshnote; }

// A note of `period` frames whose waveform starts a cycle of that length.
notespec note(std::int32_t period, std::uint8_t volume, float inflection) {
    notespec n = freshnote();
    n.period = period;
    n.cycle = static_cast<frames>(period);
    n.volume = volume;
    n.level = volume;
    n.inflection = inflection;
    return n;
}

std::vector<int> render(notespec& n, const voice& v, int count) {
    std::vector<int> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(v.play(n));
        n.sample += 1;
    }
    return out;
}

struct shapecase {
    voice v;
    std::int32_t period;
    std::uint8_t volume;
    float inflection;
    std::vector<int> samples;  // phases 1 to period - 1, then 0
};

std::string describe(const shapecase& c) {
    return std::string(c.v.name) + " period " + std::to_string(c.period) + " f " +
           std::to_string(c.inflection);
}

}  // namespace

TEST(WaveShapes, OneCycleOfEachGeneratorMatchesItsTable) {
    const std::vector<shapecase> cases{
        {square, 8, 200, 0.5f, {200, 200, 200, 200, 0, 0, 0, 200}},
        {tri, 8, 200, 0.5f, {50, 100, 150, 200, 150, 100, 50, 0}},
        {sine, 8, 200, 0.5f, {170, 200, 170, 100, 29, 0, 29, 100}},
        {ptri, 8, 200, 0.5f, {50, 100, 150, 200, 150, 100, 50, 0}},
        // At f = 0 tri and ptri are falling saws and sine is its lower half alone.
        {square, 8, 200, 0.0f, {0, 0, 0, 0, 0, 0, 0, 200}},
        {tri, 8, 200, 0.0f, {175, 150, 125, 100, 75, 50, 25, 200}},
        {sine, 8, 200, 0.0f, {61, 29, 7, 0, 7, 29, 61, 100}},
        {ptri, 8, 200, 0.0f, {175, 150, 125, 100, 75, 50, 25, 200}},
        // At f = 1 square is constant, tri and ptri are rising saws, sine is
        // its upper half alone.
        {square, 8, 200, 1.0f, {200, 200, 200, 200, 200, 200, 200, 200}},
        {tri, 8, 200, 1.0f, {25, 50, 75, 100, 125, 150, 175, 0}},
        {sine, 8, 200, 1.0f, {138, 170, 192, 200, 192, 170, 138, 100}},
        {ptri, 8, 200, 1.0f, {25, 50, 75, 100, 125, 150, 175, 0}},
        // A rise over a quarter of the cycle, a fall over the rest.
        {square, 10, 100, 0.25f, {100, 100, 0, 0, 0, 0, 0, 0, 0, 100}},
        {tri, 10, 100, 0.25f, {40, 80, 94, 80, 67, 54, 41, 27, 14, 0}},
        {sine, 10, 100, 0.25f, {97, 79, 39, 20, 6, 0, 2, 12, 29, 50}},
        {ptri, 10, 100, 0.25f, {37, 75, 94, 82, 69, 57, 44, 32, 19, 0}},
        // Each of these samples changes by 1 if one of its operations is
        // rounded to the other precision.
        {tri, 2, 18, 0.6f, {15, 0}},      // quotient and product on the rise are single
        {tri, 2, 9, 0.1f, {5, 0}},        // r - f on the fall is single
        {tri, 2, 19, 0.05f, {11, 0}},     // the product on the fall is double
        {tri, 3, 27, 0.1f, {20, 11, 0}},  // the quotient on the fall is double
        {ptri, 2, 16, 0.8f, {10, 0}},     // the quotient on the rise is single
        {ptri, 2, 16, 0.2f, {10, 0}},     // r - f on the fall is single
        {ptri, 8, 16, 0.6f, {3, 6, 10, 13, 16, 11, 6, 0}},  // the quotient on the fall is double
        {sine, 8, 12, 0.75f, {9, 11, 12, 11, 9, 6, 0, 6}},  // the quotient on the rise is single
        {sine, 3, 12, 0.6f, {11, 3, 6}},                    // the quotient on the fall is double
        {sine, 4, 12, 0.1f, {2, 0, 1, 6}},                  // r - f on the fall is single
    };
    for (const shapecase& c : cases) {
        notespec n = note(c.period, c.volume, c.inflection);
        const int length = static_cast<int>(c.samples.size());
        EXPECT_EQ(render(n, c.v, length), c.samples) << describe(c);
        // The second cycle repeats the first.
        EXPECT_EQ(render(n, c.v, length), c.samples) << describe(c) << ", second cycle";
    }
}

TEST(WaveShapes, AFreshChannelPlaysItsDefaultCycle) {
    struct span {
        voice v;
        frames from, to;  // phases, inclusive
        int value;
    };
    const std::vector<span> spans{
        {square, 1, 50, 128}, {square, 51, 99, 0}, {square, 0, 0, 128},

        {tri, 1, 1, 2},       {tri, 2, 2, 5},      {tri, 3, 3, 7},      {tri, 4, 4, 10},
        {tri, 5, 5, 12},      {tri, 49, 49, 125},  {tri, 50, 50, 128},  {tri, 51, 51, 126},
        {tri, 52, 52, 123},   {tri, 98, 98, 6},    {tri, 99, 99, 3},    {tri, 0, 0, 0},

        {sine, 1, 1, 68},     {sine, 2, 2, 72},    {sine, 3, 3, 75},    {sine, 4, 4, 79},
        {sine, 5, 5, 83},     {sine, 25, 25, 128}, {sine, 50, 50, 64},  {sine, 73, 77, 0},
        {sine, 0, 0, 64},

        {ptri, 1, 3, 0},      {ptri, 4, 6, 8},     {ptri, 7, 7, 16},    {ptri, 25, 28, 64},
        {ptri, 47, 49, 120},  {ptri, 50, 53, 128}, {ptri, 54, 56, 120}, {ptri, 97, 99, 8},
        {ptri, 0, 0, 0},
    };
    for (const voice& v : {square, tri, sine, ptri}) {
        notespec n = freshnote();
        const std::vector<int> samples = render(n, v, 100);  // frame i has phase (i + 1) % 100
        for (const span& s : spans) {
            if (s.v.play != v.play) continue;
            for (frames phase = s.from; phase <= s.to; ++phase)
                EXPECT_EQ(samples[(phase + 99) % 100], s.value) << v.name << " phase " << phase;
        }
    }
}

TEST(WaveShapes, SquareKeepsTheLevelOfItsLastHighFrame) {
    // A falling envelope: the level moves only while the wave is high, while
    // tri stores it in every frame.
    const std::vector<int> squarelevels{200, 199, 198, 197, 197, 197, 197, 193};
    const std::vector<int> trilevels{200, 199, 198, 197, 196, 195, 194, 193};
    for (const auto& [v, levels] : {std::pair{square, squarelevels}, std::pair{tri, trilevels}}) {
        notespec n = note(8, 200, 0.5f);
        n.envrise = -1;
        std::vector<int> seen;
        for (int i = 0; i < 8; ++i) {
            v.play(n);
            seen.push_back(n.level);
            n.sample += 1;
        }
        EXPECT_EQ(seen, levels) << v.name;
    }
}

TEST(WaveShapes, ACycleOfOneFrameSitsAtTheStartOfTheShape) {
    struct row {
        voice v;
        float inflection;
        std::int32_t noisebit;
        int sample;
    };
    const std::vector<row> rows{
        {square, 0.0f, 1, 200}, {square, 0.5f, 1, 200}, {square, 1.0f, 1, 200},
        {tri, 0.0f, 1, 200},    {tri, 0.5f, 1, 0},      {tri, 1.0f, 1, 0},
        {ptri, 0.0f, 1, 200},   {ptri, 0.5f, 1, 0},     {ptri, 1.0f, 1, 0},
        {sine, 0.0f, 1, 100},   {sine, 0.5f, 1, 100},   {sine, 1.0f, 1, 100},
        {noise, 0.5f, 1, 200},  {noise, 0.5f, 0, 0},
    };
    for (const row& r : rows) {
        notespec n = note(1, 200, r.inflection);
        n.noisebit = r.noisebit;
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(r.v.play(n), r.sample) << r.v.name << " f " << r.inflection;
            EXPECT_EQ(n.phase, 0u);
            EXPECT_EQ(n.cycle, 1u);
            EXPECT_EQ(n.noisebit, r.noisebit) << "a cycle of one frame draws no bit";
            n.sample += 1;
        }
    }
}

// A cycle of 0 frames (a period of 0) never ends and has no phase fraction:
// it is infinite once the phase has moved, and 0 / 0 when the phase wraps
// round to 0 after 2^32 frames. No generator may fault on it.
TEST(WaveShapes, ACycleOfZeroFramesIsSilentButForNoise) {
    struct row {
        voice v;
        int sample;
        int level;  // 7 when the generator leaves the level alone
    };
    const std::vector<row> rows{
        {square, 0, 7}, {tri, 0, 200}, {sine, 0, 200}, {ptri, 0, 200}, {noise, 200, 200},
    };
    for (const frames startphase : {frames{0}, std::numeric_limits<frames>::max()}) {
        for (const float f : {0.0f, 0.5f, 1.0f}) {
            for (const row& r : rows) {
                notespec n = note(0, 200, f);
                n.level = 7;
                n.phase = startphase;
                EXPECT_EQ(r.v.play(n), r.sample) << r.v.name << " from phase " << startphase;
                EXPECT_EQ(n.level, r.level) << r.v.name;
                EXPECT_EQ(n.noisebit, 1);
                EXPECT_EQ(n.phase, startphase + 1);
            }
        }
    }
}

// A period of 0 takes effect at the end of the running cycle. That last frame
// is still shaped by the cycle it ends; then a cycle of 0 begins, or for ptri,
// whose sweep guard catches a sum of 0, a cycle of 65535.
TEST(WaveShapes, APeriodOfZeroLetsTheRunningCycleFinish) {
    const shapecase cases[] = {
        {square, 0, 200, 0.5f, {200, 200, 200, 200, 0, 0, 0, 200, 0, 0}},
        {tri, 0, 200, 0.5f, {50, 100, 150, 200, 150, 100, 50, 0, 0, 0}},
        {sine, 0, 200, 0.5f, {170, 200, 170, 100, 29, 0, 29, 100, 0, 0}},
        {ptri, 0, 200, 0.5f, {50, 100, 150, 200, 150, 100, 50, 0, 0, 0}},
    };
    for (const shapecase& c : cases) {
        notespec n = note(8, c.volume, c.inflection);
        n.period = c.period;
        EXPECT_EQ(render(n, c.v, 10), c.samples) << describe(c);
        EXPECT_EQ(n.cycle, c.v.play == ptri.play ? 65535u : 0u) << describe(c);
    }
}

// Cycles beyond 2^24 frames: phase and cycle are rounded to single precision
// before they are divided. Near the end of a cycle of over 4 billion frames
// the phase fraction rounds up to 1, where sine's lower half has no length.
TEST(WaveShapes, LongCyclesRoundThePhaseFractionInSinglePrecision) {
    struct row {
        voice v;
        frames cycle, phase;  // phase on entry
        float inflection;
        int sample;
    };
    const row rows[] = {
        // 26907127 / 53814253 rounds to 0.5 in double, but the single
        // quotient of the rounded counts lies above it.
        {square, 53814253, 26907126, 0.5f, 0},         {square, 53814253, 26907125, 0.5f, 200},
        {square, 4294967286u, 4294967284u, 1.0f, 200}, {tri, 4294967286u, 4294967284u, 1.0f, 200},
        {sine, 4294967286u, 4294967284u, 1.0f, 0},     {ptri, 4294967286u, 4294967284u, 1.0f, 200},
    };
    for (const row& r : rows) {
        notespec n = note(100, 200, r.inflection);
        n.cycle = r.cycle;
        n.phase = r.phase;
        EXPECT_EQ(r.v.play(n), r.sample) << r.v.name << " phase " << r.phase + 1;
        EXPECT_EQ(n.phase, r.phase + 1);
    }
}

// Sweep and vibrato that pull the period to 0 or below: four generators hold
// a swept cycle at one frame and turn a vibrato's sum of 0 into 65535; ptri
// does it the other way round, and lets a negative sum through as a cycle of
// over 4 billion frames.
TEST(WaveShapes, PtriExchangesTheGuardsOfSweepAndVibrato) {
    struct row {
        bool vibrato;
        frames run;
        std::int32_t depth;
        frames othercycle;  // square, tri, noise, sine
        frames ptricycle;
    };
    const row rows[] = {
        {false, 1, -20, 1, 4294967126u},  // t = -180
        {false, 9, -10, 1, 65535},        // t = -10: the sum is 0
        {false, 1, -1, 1, 1},             // t = -9: a cycle of one frame is allowed
        {true, 1, -10, 65535, 1},         // t = -10: the sum is 0
        {true, 1, -20, 4294967286u, 1},   // t = -20: the sum is -10
    };
    for (const row& r : rows) {
        for (const voice& v : {square, tri, noise, sine, ptri}) {
            notespec n = note(10, 200, 0.5f);
            n.vibrato = r.vibrato;
            n.sweeprise = r.depth;
            n.sweeprun = r.run;
            n.phase = 9;
            n.sample = 9;
            v.play(n);
            EXPECT_EQ(n.phase, 0u) << v.name;
            EXPECT_EQ(n.cycle, v.play == ptri.play ? r.ptricycle : r.othercycle)
                << v.name << (r.vibrato ? " vibrato " : " sweep ") << r.depth << "/" << r.run;
        }
    }
}

// The noise draws from the sequence of an unseeded rand(); each case restarts
// that sequence here so that the draws can be counted.
TEST(NoiseWave, DrawsANewBitEveryEighthOfTheCycleOnly) {
    struct row {
        frames cycle;
        std::int32_t period;       // the length of the cycles after the first
        int count;                 // frames to play, from phase 0
        std::vector<int> drawing;  // the frames, counted from 1, that draw a bit
    };
    const std::vector<row> rows{
        {100, 100, 100, {12, 24, 36, 48, 60, 72, 84, 96}},
        {96, 96, 96, {12, 24, 36, 48, 60, 72, 84, 96}},
        {20, 20, 20, {2, 4, 6, 8, 10, 12, 14, 16, 18, 20}},
        {15, 15, 15, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {7, 7, 14, {}},
        // The frame that ends a cycle of 100 draws by that cycle's eighth,
        // not by the eighth of the 10-frame cycle that it starts.
        {100, 10, 103, {12, 24, 36, 48, 60, 72, 84, 96, 101, 102, 103}},
    };
    for (const row& r : rows) {
        std::vector<int> sequence;
        steps::restartrandom();
        for (int i = 0; i < r.count + 2; ++i) sequence.push_back(steps::nextrandom());

        notespec n = note(r.period, 200, 0.5f);
        n.cycle = r.cycle;
        int drawn = 0;
        std::vector<int> drawing;
        steps::restartrandom();
        for (int frame = 1; frame <= r.count; ++frame) {
            const std::int32_t bit = n.noisebit;
            const int sample = wavelark::noise(n);
            n.sample += 1;
            EXPECT_EQ(sample, n.level * n.noisebit);
            // The next value of the sequence shows how far the frame moved it.
            const int next = steps::nextrandom();
            ASSERT_NE(sequence[drawn], sequence[drawn + 1]);
            if (next == sequence[drawn + 1]) {
                EXPECT_EQ(n.noisebit, sequence[drawn] & 1) << "frame " << frame;
                drawing.push_back(frame);
                ++drawn;
            } else {
                ASSERT_EQ(next, sequence[drawn])
                    << "frame " << frame << " moved the sequence otherwise";
                EXPECT_EQ(n.noisebit, bit) << "frame " << frame;
            }
            steps::restartrandom();
            for (int i = 0; i < drawn; ++i) steps::nextrandom();
        }
        EXPECT_EQ(drawing, r.drawing) << "cycle " << r.cycle;
    }
}

// The noise's numbers are those an unseeded rand() returns, in order.
TEST(NoiseWave, DrawsTheSequenceOfAnUnseededRand) {
    steps::restartrandom();
    std::srand(1);
    for (int i = 0; i < 1000000; ++i) ASSERT_EQ(steps::nextrandom(), std::rand()) << "value " << i;
    steps::restartrandom();
    EXPECT_EQ(steps::nextrandom(), [] {
        std::srand(1);
        return std::rand();
    }());
}

// The mixer renders most frames through the span entries, in runs shaped
// from cached cycle tables; every sample and level must be the one the
// single-frame entry gives for the same note state.
TEST(Spans, RenderEveryFrameAsTheSingleFrameEntriesDo) {
    struct setting {
        const char* what;
        std::int32_t period;
        std::uint8_t volume;
        float inflection;
        std::int8_t envrise;
        frames envrun;
        bool tremolo;
        std::int32_t sweeprise;
        frames sweeprun;
        bool vibrato;
    };
    const std::vector<setting> settings = {
        {"plain", 100, 128, 0.5f, 0, 1, false, 0, 1, false},
        {"envelope", 37, 200, 0.25f, -1, 30, false, 0, 1, false},
        {"rising envelope", 13, 10, 0.9f, 3, 7, false, 0, 1, false},
        {"tremolo", 151, 90, 0.5f, 40, 300, true, 0, 1, false},
        {"deep tremolo", 20, 250, 0.1f, -128, 45, true, 0, 1, false},
        {"sweep", 200, 128, 0.5f, 0, 1, false, -10, 441, false},
        {"vibrato", 90, 128, 0.3f, -2, 50, false, 5, 400, true},
        {"both", 64, 180, 0.75f, 25, 170, true, 3, 200, true},
        {"inflection 0", 50, 128, 0.0f, 0, 1, false, 0, 1, false},
        {"inflection 1", 50, 128, 1.0f, 0, 1, false, 0, 1, false},
        {"cycle of 1", 1, 128, 0.5f, -1, 3, false, 0, 1, false},
        {"short cycles", 7, 99, 0.5f, 0, 1, false, 1, 9, true},
        {"long cycle", 5000, 128, 0.5f, -1, 700, false, 0, 1, false},
        {"runs of 0", 40, 128, 0.5f, 5, 0, true, 5, 0, false},
        // Inflections the notation cannot give, through the entries alone.
        {"inflection below 0", 30, 128, -0.5f, -1, 7, false, 0, 1, false},
        {"inflection above 1", 30, 128, 2.0f, 0, 1, false, 0, 1, false},
        {"inflection not a number", 30, 128, std::numeric_limits<float>::quiet_NaN(), 0, 1, false,
         0, 1, false},
    };
    using spanentry = void (*)(notespec&, steps::phasecache*, std::uint8_t*, std::uint8_t*, frames);
    struct spanvoice {
        voice v;
        spanentry span;
    };
    const std::vector<spanvoice> voices = {
        {square, [](notespec& n, steps::phasecache*, std::uint8_t* s, std::uint8_t* l,
                    frames c) { wavelark::square(n, s, l, c); }},
        {noise, [](notespec& n, steps::phasecache*, std::uint8_t* s, std::uint8_t* l,
                   frames c) { wavelark::noise(n, s, l, c); }},
        {tri, wavelark::tri},
        {sine, wavelark::sine},
        {ptri, wavelark::ptri},
    };
    const std::vector<frames> spans = {1, 2, 33, 1000, 8192};
    for (const spanvoice& sv : voices) {
        for (const setting& c : settings) {
            notespec n = note(c.period, c.volume, c.inflection);
            n.envrise = c.envrise, n.envrun = c.envrun, n.tremolo = c.tremolo;
            n.sweeprise = c.sweeprise, n.sweeprun = c.sweeprun, n.vibrato = c.vibrato;
            notespec byframe = n;
            // Noise draws from the shared random sequence: both ways start it
            // afresh.
            steps::restartrandom();
            steps::phasecache cache;
            std::vector<std::uint8_t> samples, levels;
            std::vector<notespec> after;
            for (int round = 0; round < 3; ++round) {
                for (const frames count : spans) {
                    std::vector<std::uint8_t> s(count), l(count);
                    sv.span(n, &cache, s.data(), l.data(), count);
                    samples.insert(samples.end(), s.begin(), s.end());
                    levels.insert(levels.end(), l.begin(), l.end());
                    after.push_back(n);
                }
            }
            steps::restartrandom();
            std::size_t at = 0;
            std::size_t checkpoint = 0;
            for (int round = 0; round < 3; ++round) {
                for (const frames count : spans) {
                    for (frames i = 0; i < count; ++i, ++at) {
                        const std::uint8_t expected = sv.v.play(byframe);
                        byframe.sample += 1;
                        ASSERT_EQ(samples[at], expected)
                            << sv.v.name << " " << c.what << " at " << byframe.sample - 1;
                        ASSERT_EQ(levels[at], byframe.level)
                            << sv.v.name << " " << c.what << " at " << byframe.sample - 1;
                    }
                    const notespec& spanned = after[checkpoint++];
                    ASSERT_EQ(spanned.phase, byframe.phase) << sv.v.name << " " << c.what;
                    ASSERT_EQ(spanned.cycle, byframe.cycle) << sv.v.name << " " << c.what;
                    ASSERT_EQ(spanned.sample, byframe.sample) << sv.v.name << " " << c.what;
                    ASSERT_EQ(spanned.noisebit, byframe.noisebit) << sv.v.name << " " << c.what;
                }
            }
        }
    }
}

// Noise channels share one random sequence: through a span they draw in
// channel order within each frame, as frame-by-frame rendering does.
TEST(Spans, NoiseChannelsDrawInChannelOrderFrameByFrame) {
    std::array<notespec, 3> spanned = {note(40, 100, 0.5f), note(12, 60, 0.5f),
                                       note(200, 200, 0.5f)};
    spanned[0].envrise = -3, spanned[0].envrun = 40;
    spanned[2].sweeprise = 4, spanned[2].sweeprun = 300, spanned[2].vibrato = true;
    std::array<notespec, 3> byframe = spanned;
    steps::restartrandom();
    std::array<std::vector<std::uint8_t>, 3> samples, levels;
    for (int c = 0; c < 3; ++c) samples[c].resize(5000), levels[c].resize(5000);
    std::array<notespec*, 3> notes = {&spanned[0], &spanned[1], &spanned[2]};
    std::array<std::uint8_t*, 3> s = {samples[0].data(), samples[1].data(), samples[2].data()};
    std::array<std::uint8_t*, 3> l = {levels[0].data(), levels[1].data(), levels[2].data()};
    wavelark::noise(notes.data(), s.data(), l.data(), 3, 5000);
    steps::restartrandom();
    for (int i = 0; i < 5000; ++i) {
        for (int c = 0; c < 3; ++c) {
            ASSERT_EQ(samples[c][i], wavelark::noise(byframe[c])) << "channel " << c << " at " << i;
            ASSERT_EQ(levels[c][i], byframe[c].level) << "channel " << c << " at " << i;
            byframe[c].sample += 1;
        }
    }
}
