// The steps every generator shares: the level clamp, the float-to-int
// conversion, the cycle guards, the envelope and tremolo of the level and the
// sweep and vibrato of the cycle length.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "generators/levelsteps.h"
#include "generators/modulation.h"

namespace {

using notespec = wavelark::notespec;
constexpr std::int32_t int32max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int32min = std::numeric_limits<std::int32_t>::min();

notespec freshnote() { return wavelark::freshnote; }

using cycleend = std::pair<frames, frames>;  // s of the frame, cycle it set

// Plays `count` frames of cycle steps, as a generator would, and lists the
// frames that ended a cycle.
std::vector<cycleend> cycleends(notespec n, bool exchanged, frames count) {
    std::vector<cycleend> ends;
    for (frames i = 0; i < count; ++i) {
        exchanged ? steps::cyclestep<true>(n) : steps::cyclestep<false>(n);
        if (n.phase == 0) ends.emplace_back(n.sample, n.cycle);
        n.sample += 1;
    }
    return ends;
}

}  // namespace

TEST(ByteClamp, KeepsBytesAndClampsEverythingElse) {
    const std::pair<int, int> cases[] = {{-1, 0},    {0, 0},        {255, 255},
                                         {256, 255}, {int32min, 0}, {int32max, 255}};
    for (const auto& [value, clamped] : cases) EXPECT_EQ(wavelark::tobyte(value), clamped) << value;
}

TEST(FloatToInt, TruncatesTowardZeroAndSaturatesAtTheInt32Bounds) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, std::int32_t> cases[] = {
        {1.9, 1},
        {-1.9, -1},
        {-0.5, 0},
        {2147483647.9, int32max},
        {2147483648.0, int32max},
        {1e20, int32max},
        {inf, int32max},
        {-2147483648.9, int32min},
        {-2147483649.0, int32min},
        {-inf, int32min},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const auto& [x, expected] : cases) EXPECT_EQ(steps::toint32(x), expected) << x;
}

TEST(CycleGuards, FloorHoldsAtOneFrameAndZeroCatchesOnlyASumOfZero) {
    struct row {
        std::int32_t period, offset;
        frames floor, zero;
    };
    const row rows[] = {
        {100, 5, 105, 105},
        {10, -9, 1, 1},
        {10, -10, 1, 65535},
        {10, -180, 1, 4294967126u},
        {0, 0, 0, 65535},
        // -t of the most negative offset does not fit in 32 bits.
        {10, int32min, 1, 2147483658u},
        // A sum that wraps past the int32 range.
        {int32max, 1, 2147483648u, 2147483648u},
        // A negative period (a "w" beyond the int32 range).
        {-5, 0, 4294967291u, 4294967291u},
        {-5, -3, 1, 4294967288u},
    };
    for (const row& r : rows) {
        EXPECT_EQ(steps::floorrule(r.period, r.offset), r.floor) << r.period << " " << r.offset;
        EXPECT_EQ(steps::zerorule(r.period, r.offset), r.zero) << r.period << " " << r.offset;
    }
}

TEST(LevelStep, EnvelopeAndTremoloMoveTheVolume) {
    struct row {
        bool tremolo;
        std::uint8_t volume;
        std::int8_t rise;
        frames run;
        std::vector<std::pair<frames, int>> levels;  // s, level
    };
    // clang-format off
    const std::vector<row> rows{
        {false, 200, -1, 100, {{0, 200}, {99, 200}, {100, 199}, {199, 199}, {200, 198}, {19999, 1},
                               {20000, 0}, {4000000, 0}}},
        {false, 250, 3, 1, {{0, 250}, {1, 253}, {2, 255}, {3, 255}}},
        // The step count times the rise wraps in 32 bits: (2^32 - 1) * -128 is 128.
        {false, 100, -128, 1, {{4294967295u, 228}}},
        // Truncation gives 12 and 37, not 13 and 38.
        {true, 100, 50, 4, {{0, 100}, {1, 112}, {2, 125}, {3, 137}, {4, 150}, {5, 137}, {6, 125},
                            {7, 112}, {8, 100}}},
        {true, 10, -50, 4, {{0, 10}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0},
                            {8, 10}}},
        // The quotient and the product are single: -105 and 62, where double
        // gives -104 and 63.
        {true, 200, -126, 6, {{5, 95}, {7, 95}}},
        {true, 100, 108, 12, {{7, 162}, {17, 162}}},
        // A width of 2^31 makes the window 2^32 frames, the whole counter.
        {true, 100, 100, 2147483648u, {{0, 100}, {1073741824u, 150}, {2147483648u, 200},
                                       {3221225472u, 150}, {4294967295u, 100}}},
        // A run of 0 turns either modulation off.
        {false, 100, -5, 0, {{0, 100}, {1, 100}, {12345, 100}, {4294967295u, 100}}},
        {true, 100, 50, 0, {{0, 100}, {1, 100}, {12345, 100}, {4294967295u, 100}}},
    };
    // clang-format on
    for (const row& r : rows) {
        notespec n = freshnote();
        n.tremolo = r.tremolo;
        n.volume = r.volume;
        n.envrise = r.rise;
        n.envrun = r.run;
        for (const auto& [s, level] : r.levels) {
            n.sample = s;
            EXPECT_EQ(steps::levelstep(n), level)
                << (r.tremolo ? "tremolo " : "envelope ") << int{r.volume} << "," << int{r.rise}
                << "," << r.run << " at s = " << s;
        }
    }
}

// The renderer steps the level through whole spans, computing it only where
// it may change; frame by frame it must equal the level step itself.
TEST(LevelStep, SteppedThroughASpanEqualsTheLevelOfEveryFrame) {
    struct row {
        std::uint8_t volume;
        std::int8_t rise;
        frames run;
        bool tremolo;
        frames start;  // the event's frame count where the span begins
        frames count;
    };
    const row rows[] = {
        {200, -1, 100, false, 0, 20000},
        {250, 3, 1, false, 0, 50},
        {100, 50, 4, true, 0, 50},
        {10, -50, 4, true, 0, 50},
        {128, 40, 3000, true, 0, 20000},
        {128, -128, 7, true, 5, 300},
        {0, 127, 1, true, 0, 20},
        {128, 25, 0, true, 0, 20},
        {128, 5, 0, false, 0, 20},
        // The frame count wrapping to 0 starts envelope and tremolo over.
        {128, 1, 1000, false, 0xFFFFFF00u, 600},
        {128, 30, 1000, true, 0xFFFFFF00u, 600},
        // A width of 2^31 or more makes the window of two widths wrap.
        {128, 100, 0x80000000u, true, 0x7FFFFF00u, 600},
        {128, -128, 2155905158u, true, 16842900u, 300},
        {128, 127, 0x80000000u + 8750000u, true, 8749000u, 3000},
    };
    for (const row& r : rows) {
        notespec n = freshnote();
        n.volume = r.volume;
        n.envrise = r.rise;
        n.envrun = r.run;
        n.tremolo = r.tremolo;
        n.sample = r.start;
        steps::levelsteps level(n);
        for (frames i = 0; i < r.count; ++i, ++n.sample) {
            if (i != 0) level.next();
            ASSERT_EQ(level.current(), steps::levelstep(n))
                << "run " << r.run << (r.tremolo ? " tremolo" : " envelope") << " at " << n.sample;
        }
    }
}

TEST(CycleUpdate, SweepSetsEachNewCycleFromThePeriodAndTheTimeSinceTheNoteBegan) {
    struct row {
        const char* what;
        std::int32_t period;
        frames cycle, from;  // the cycle and s on entry, at phase 0
        bool vibrato;
        std::int32_t rise;
        frames run;
        bool ptri;                   // exchanged guards
        frames count;                // frames played
        std::vector<cycleend> ends;  // every cycle end among them
    };
    // clang-format off
    const std::vector<row> rows{
        {"a first note of 200", 200, 100, 0, false, 0, 1, false, 300, {{99, 200}, {299, 200}}},
        // Only cycle ends within the first `cycle` frames of each run apply.
        {"a gated sweep", 200, 200, 0, false, -10, 441, false, 966,
         {{199, 196}, {395, 196}, {591, 187}, {778, 187}, {965, 179}}},
        {"the last end the gate lets by", 30, 10, 21, false, 20, 20, false, 10, {{30, 60}}},
        {"a sweep to the floor", 100, 100, 0, false, -100, 10, false, 103,
         {{99, 1}, {100, 1}, {101, 1}, {102, 1}}},
        {"a sweep past the period", 10, 10, 0, false, -20, 1, false, 12,
         {{9, 1}, {10, 1}, {11, 1}}},
        {"ptri, sweep past the period", 10, 10, 0, false, -20, 1, true, 100000,
         {{9, 4294967126u}}},
        {"a vibrato to a sum of 0", 10, 10, 0, true, -10, 1, false, 10, {{9, 65535}}},
        {"ptri, vibrato to a sum of 0", 10, 10, 0, true, -10, 1, true, 10, {{9, 1}}},
        // A run of 0 turns either modulation off.
        {"a sweep of run 0", 100, 100, 0, false, -50, 0, false, 200, {{99, 100}, {199, 100}}},
        {"ptri, sweep of run 0", 100, 100, 0, false, -50, 0, true, 200, {{99, 100}, {199, 100}}},
        {"a vibrato of width 0", 100, 100, 0, true, -200, 0, false, 200, {{99, 100}, {199, 100}}},
        {"ptri, vibrato width 0", 100, 100, 0, true, -200, 0, true, 200, {{99, 100}, {199, 100}}},
        // A cycle of 0 never ends.
        {"a cycle of 0", 0, 0, 0, false, 0, 1, false, 1000, {}},
        {"ptri, cycle of 0", 0, 0, 0, false, 0, 1, true, 1000, {}},
    };
    // clang-format on
    for (const row& r : rows) {
        notespec n = freshnote();
        n.period = r.period;
        n.cycle = r.cycle;
        n.sample = r.from;
        n.vibrato = r.vibrato;
        n.sweeprise = r.rise;
        n.sweeprun = r.run;
        EXPECT_EQ(cycleends(n, r.ptri, r.count), r.ends) << r.what;
    }
}

TEST(CycleUpdate, VibratoSwingsTheCycleAboveThePeriodAndBack) {
    notespec n = freshnote();
    n.vibrato = true;
    n.sweeprise = 20;
    n.sweeprun = 1000;
    const std::vector<cycleend> ends = cycleends(n, false, 2000);
    for (const cycleend& end : std::vector<cycleend>{
             {99, 101}, {200, 104}, {304, 106}, {971, 119}, {1090, 118}, {1968, 100}}) {
        EXPECT_NE(std::find(ends.begin(), ends.end(), end), ends.end())
            << "no cycle of " << end.second << " set at s = " << end.first;
    }
}

// The cycle step hands back the length the cycle had on entry: the frame that
// ends a cycle divides by the old length, not by the one just set, which may
// be 0.
TEST(PhaseFraction, UsesTheCycleLengthOnEntry) {
    notespec n = freshnote();
    n.cycle = 4;
    n.period = 8;
    std::vector<float> fractions;
    for (int i = 0; i < 6; ++i) {
        const frames entry = steps::cyclestep(n);
        fractions.push_back(steps::phasefraction(n.phase, entry));
        n.sample += 1;
    }
    EXPECT_EQ(fractions, (std::vector<float>{0.25f, 0.5f, 0.75f, 0.0f, 0.125f, 0.25f}));
}
