// Notes, raw-period notes, rests, unit length and octave: the events they
// start and the errors they stop with.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/notation.h"
#include "support/scratch.h"

using namespace testing_support;
using ::testing::ExitedWithCode;

namespace {

struct eventcase {
    std::string text;
    int events;  // started, each ending at once; the last one is checked
    std::int32_t period;
    frames duration;
    bool resting;
    int charnum;  // of the look-ahead after the last event's length
};

const eventcase events[] = {
    {"a1", 1, 200, 44100, false, 2},
    {"o4a1", 1, 100, 44100, false, 4},
    {"A#2", 1, 189, 88200, false, 3},
    // Accidentals in any number and mix; only their sum counts.
    {"c#", 1, 318, 0, false, 2},
    {"d-", 1, 318, 0, false, 2},
    {"c#-", 1, 337, 0, false, 3},
    {"e#", 1, 253, 0, false, 2},
    {"b#", 1, 169, 0, false, 2},
    {"c-", 1, 357, 0, false, 2},
    {"g-#--##-#1", 1, 225, 44100, false, 10},
    // The ends of the table, and an octave that is only tested by a note.
    {"o0c", 1, 2697, 0, false, 3},
    {"o6b", 1, 22, 0, false, 3},
    {"o00006b", 1, 22, 0, false, 7},
    {"o9 o4a1", 1, 100, 44100, false, 7},
    // A missing length is 0, and an event of length 0 still starts.
    {"a", 1, 200, 0, false, 1},
    {"a0", 1, 200, 0, false, 2},
    {"c 4", 1, 337, 0, false, 1},
    {"c4c4", 1, 337, 176400, false, 2},
    {"c4c4", 2, 337, 176400, false, 4},
    {"c4 l2 d3", 2, 300, 6, false, 8},
    // Unit length: the product wraps modulo 2^32, even for a unit read as
    // negative.
    {"l007a1", 1, 200, 7, false, 6},
    {"l a1", 1, 200, 0, false, 4},
    {"l0c9", 1, 337, 0, false, 4},
    {"l44100c100000", 1, 337, 115032704u, false, 13},
    {"l2147483647c3", 1, 337, 2147483645u, false, 13},
    {"l4294967295c1", 1, 337, 4294967295u, false, 13},
    // Raw periods ignore octave and accidentals; input that ends inside
    // 'w(...)' starts the note with what was read.
    {"w(100)2", 1, 100, 88200, false, 7},
    {"W(100)2", 1, 100, 88200, false, 7},
    {"o0w(100)", 1, 100, 0, false, 8},
    {"w(0)", 1, 0, 0, false, 4},
    {"w()", 1, 0, 0, false, 3},
    {"w", 1, 0, 0, false, 3},
    {"w(", 1, 0, 0, false, 3},
    {"w(12", 1, 12, 0, false, 5},
    // Rests keep the period of the note before them.
    {"a r", 2, 200, 0, true, 3},
    {"a r0", 2, 200, 0, true, 4},
    {"o4a1r2", 2, 100, 88200, true, 6},
    {"aL10R3", 2, 200, 30, true, 6},
    {"r1a", 2, 200, 0, false, 3},
};

}  // namespace

TEST(NoteCommands, StartEventsWithTheirPeriodAndLengthInFrames) {
    scratchdir dir;
    for (const eventcase& c : events) {
        SCOPED_TRACE(::testing::PrintToString(c.text) + " event " + std::to_string(c.events));
        const auto w = loadtune(dir, {c.text});
        readevents(*w, 0, c.events);
        EXPECT_TRUE(w->playing[0]);
        EXPECT_EQ(w->notes[0].period, c.period);
        EXPECT_EQ(w->duration[0], c.duration);
        EXPECT_EQ(w->resting[0], c.resting);
        EXPECT_EQ(w->notes[0].sample, 0u);
        EXPECT_EQ(w->charnum[0], c.charnum);
    }
}

TEST(NoteCommands, NoteNamesCoverAllEightyFourPeriodsOfTheTable) {
    const std::array<std::uint32_t, 84> periods = {
        2697, 2546, 2403, 2267, 2140, 2020, 1907, 1800, 1699, 1604, 1513, 1429,  //
        1349, 1273, 1201, 1134, 1070, 1010, 954,  900,  850,  802,  757,  714,   //
        674,  636,  601,  567,  535,  505,  477,  450,  425,  401,  378,  357,   //
        337,  318,  300,  283,  268,  253,  238,  225,  212,  200,  189,  179,   //
        169,  159,  150,  142,  134,  126,  119,  113,  106,  100,  95,   89,    //
        84,   80,   75,   71,   67,   63,   60,   56,   53,   50,   47,   45,    //
        42,   40,   38,   35,   33,   32,   30,   28,   27,   25,   24,   22,
    };
    const char* names[] = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};
    std::string text;
    for (int octave = 0; octave < 7; ++octave)
        for (const char* name : names) {
            text += 'o';
            text += std::to_string(octave);
            text += name;
            text += '\n';
        }
    scratchdir dir;
    const auto w = loadtune(dir, {text});
    for (std::size_t index = 0; index < periods.size(); ++index) {
        readevents(*w, 0, 1);
        EXPECT_EQ(w->notes[0].period, static_cast<std::int32_t>(periods[index]))
            << "octave " << index / 12 << " " << names[index % 12];
    }
    readevents(*w, 0, 1);
    EXPECT_FALSE(w->playing[0]);
    EXPECT_FALSE(w->good[0]);
}

TEST(NoteCommands, LengthAndOctaveStartNoEventAndAreStoredAsRead) {
    const struct {
        std::string text;
        std::int32_t unitlen;
        std::int32_t octave;
    } cases[] = {
        {"o5 l3", 3, 5},
        {"O7L0", 0, 7},
        {"o l", 0, 0},
        {"o4294967295 l4294967294", -2, -1},
    };
    scratchdir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto w = loadtune(dir, {c.text});
        w->readcommands(0);
        EXPECT_FALSE(w->playing[0]);
        EXPECT_FALSE(w->good[0]);
        EXPECT_EQ(w->unitlen[0], c.unitlen);
        EXPECT_EQ(w->octave[0], c.octave);
    }
}

TEST(NoteCommands, NotesRestartOnlyAWaveformStuckInACycleOfAtMostOneFrame) {
    const struct {
        frames cycle;
        bool restarts;
    } cases[] = {
        {0, true}, {1, true}, {2, false}, {100, false}, {0xFFFFFFFFu, false},
    };
    scratchdir dir;
    for (const char* text : {"c", "w(5)"}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(text) + " after cycle " + std::to_string(c.cycle));
            const auto w = loadtune(dir, {text});
            w->notes[0].cycle = c.cycle;
            w->notes[0].phase = 7;
            w->notes[0].sample = 77;
            w->readcommands(0);
            EXPECT_EQ(w->notes[0].sample, 0u);
            EXPECT_EQ(w->notes[0].cycle, c.restarts ? 1u : c.cycle);
            EXPECT_EQ(w->notes[0].phase, c.restarts ? 0u : 7u);
        }
    }
}

TEST(NoteCommands, RestsLeaveTheWaveformWhereItStopped) {
    for (const frames cycle : {0u, 1u, 50u}) {
        SCOPED_TRACE(cycle);
        scratchdir dir;
        const auto w = loadtune(dir, {"r"});
        w->notes[0].cycle = cycle;
        w->notes[0].phase = 7;
        w->notes[0].sample = 77;
        w->readcommands(0);
        EXPECT_TRUE(w->playing[0]);
        EXPECT_TRUE(w->resting[0]);
        EXPECT_EQ(w->notes[0].sample, 0u);
        EXPECT_EQ(w->notes[0].cycle, cycle);
        EXPECT_EQ(w->notes[0].phase, 7u);
    }
}

namespace {

constexpr const char* outofrange = "pitch out of range";
constexpr const char* wsyntax = "w takes positive int argument in ()s";
constexpr const char* wclose = "must close w ()s";

const notationerror errors[] = {
    // Reported at the character after the letter and its accidentals.
    {"o0c-", outofrange, 4, 0},
    {"o6b#", outofrange, 4, 0},
    {"o6b##1", outofrange, 5, 0},
    {"o7c", outofrange, 3, 0},
    {"o7 a1", outofrange, 4, 0},
    {"o1c" + std::string(13, '-'), outofrange, 16, 0},
    {"c1 o7\n  a", outofrange, 3, 1},
    // Octaves whose index wraps in 32 bits back into the table: 357913942 *
    // 12 is 2^32 + 8, and 4294967295 reads as -1.
    {"o357913942c", outofrange, 11, 0},
    {"o4294967295b", outofrange, 12, 0},
    {"o2147483648c", outofrange, 12, 0},
    {"w100", wsyntax, 1, 0},
    {"W100", wsyntax, 1, 0},
    {"w (1)", wsyntax, 1, 0},
    {"w(1)2 w1", wsyntax, 7, 0},
    {"w(100 4", wclose, 5, 0},
    {"w(100]", wclose, 5, 0},
    {"w(-1)", wclose, 2, 0},
    // A blank ends the note; what follows is a new command.
    {"c 4", "invalid syntax", 2, 0},
    {"w(1) 2", "invalid syntax", 5, 0},
};

}  // namespace

TEST(NoteCommands, StopAtTheLookAheadWhenThePitchOrTheBracketsAreWrong) {
    scratchdir dir;
    expectnotationerrors(dir, errors);
}
