// The channel reader: lexical rules, positions, numbers, fractions, the end
// of a channel's input and the reopening of a looping channel.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "support/notation.h"
#include "support/scratch.h"

using namespace testing_support;
using ::testing::ExitedWithCode;

namespace {

struct errorcase {
    std::vector<std::string> channels;
    int channel;
    int character;
    int line;
};

// Only blanks and line ends separate commands; everything else that is not
// a command stops the run at its own position.
const errorcase invalidsyntax[] = {
    {{"c4 x"}, 0, 3, 0},
    {{"c4\nx"}, 0, 0, 1},
    {{"; tune\nx"}, 0, 0, 1},
    {{"c4\r\nc4\r\n"}, 0, 2, 0},
    {{"\r"}, 0, 0, 0},
    {{"c4\tc4"}, 0, 2, 0},
    {{"\tc4"}, 0, 0, 0},
    {{"c4\fc4"}, 0, 2, 0},
    {{"\vc4"}, 0, 0, 0},
    {{std::string("c1\0", 3)}, 0, 2, 0},
    {{"4"}, 0, 0, 0},
    {{"c4 4"}, 0, 3, 0},
    {{"H"}, 0, 0, 0},
    {{"h"}, 0, 0, 0},
    {{"C4 c4 Z"}, 0, 6, 0},
    {{"."}, 0, 0, 0},
    {{"#c"}, 0, 0, 0},
    {{"c4 -"}, 0, 3, 0},
    {{"/"}, 0, 0, 0},
    {{"(c"}, 0, 0, 0},
    {{"\x80"}, 0, 0, 0},
    {{"c4 \xc3\xa9"}, 0, 3, 0},
    {{"\xff"}, 0, 0, 0},
    {{"  \n  \n   z"}, 0, 3, 2},
    {{"; a;b\nc4 ;x\n\n  #"}, 0, 2, 3},
    {{"c", "c", "r1 q"}, 2, 3, 0},
    {{"c", "\n\n q"}, 1, 1, 2},
};

}  // namespace

TEST(ChannelReader, StopsWithInvalidSyntaxAtTheOffendingCharacter) {
    scratchdir dir;
    for (const errorcase& c : invalidsyntax) {
        SCOPED_TRACE(::testing::PrintToString(c.channels));
        const auto tune = writetune(dir, c.channels);
        EXPECT_EXIT(readtoend(tune, c.channel), ExitedWithCode(1),
                    errorline("invalid syntax", c.character, c.line, c.channel));
    }
}

TEST(ChannelReader, EveryByteFrom128To255IsInvalidSyntax) {
    scratchdir dir;
    for (int byte = 128; byte < 256; ++byte) {
        SCOPED_TRACE(byte);
        const auto tune = writetune(dir, {"c1\n " + std::string(1, static_cast<char>(byte))});
        EXPECT_EXIT(readtoend(tune, 0), ExitedWithCode(1), errorline("invalid syntax", 1, 1, 0));
    }
}

TEST(ChannelReader, LowerCasesOnlyAsciiCapitals) {
    for (int x = std::numeric_limits<char>::min(); x <= std::numeric_limits<char>::max(); ++x) {
        const char c = static_cast<char>(x);
        const char expected = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        EXPECT_EQ(lcase(c), expected) << "byte " << (x & 0xff);
    }
}

TEST(ChannelReader, DiagnosticsNameCharacterThenLineThenChannel) {
    // bitch and whine take the line before the character.
    ::testing::internal::CaptureStdout();
    whine("odd", 4, 7, 2);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "WARNING: odd at character 7 of line 4 of channel 2\n");
    EXPECT_EXIT(
        {
            ::dup2(STDERR_FILENO, STDOUT_FILENO);
            bitch("odd", 4, 7, 2);
        },
        ExitedWithCode(1), errorline("odd", 7, 4, 2));
}

TEST(ChannelReader, RealRunPrintsTheErrorOnStandardOutputAfterTheNoteAndWritesNoFile) {
    scratchdir dir;
    dir.tune("tune", "1 0\n", {"c1 x"});
    const runresult r = runwavelark({"-d", "tune", "-o", "out.wav"}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ERROR: invalid syntax at character 3 of line 0 of channel 0\n");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.wav"));
}

namespace {

struct positioncase {
    std::string text;
    int calls;  // of readcommands, each after the previous event ended
    char curchar;
    int charnum;
    int linenum;
    bool good;
    bool playing;
};

const positioncase positions[] = {
    {"c4", 1, '4', 2, 0, false, true},
    {"c4\n", 1, '\n', 2, 0, true, true},
    // The final line end is counted as a line even though no character follows.
    {"c4\n", 2, '\n', 0, 1, false, false},
    {"c4c4", 1, 'c', 2, 0, true, true},
    {"c4c4", 2, '4', 4, 0, false, true},
    {"  \n c4 x", 1, ' ', 3, 1, true, true},
    {"; tune\nc4", 1, '4', 2, 1, false, true},
    {"c4 ;x\n\n  c", 2, 'c', 3, 2, false, true},
    {"c4 ; x c4\nr", 2, 'r', 1, 1, false, true},
    // A comment on the last line without a line end runs to the end of input.
    {"; only a comment", 1, 't', 0, 1, false, false},
    {"v9 ;x", 1, 'x', 0, 1, false, false},
    {"\n\n", 1, '\n', 0, 2, false, false},
    {"c\n", 1, '\n', 1, 0, true, true},
    // After its input has ended a channel runs no more commands.
    {"c4", 3, '4', 2, 0, false, false},
};

}  // namespace

TEST(ChannelReader, KeepsTheLookAheadAndItsPositionAfterEachEvent) {
    scratchdir dir;
    for (const positioncase& c : positions) {
        SCOPED_TRACE(::testing::PrintToString(c.text) + " after " + std::to_string(c.calls));
        const auto w = loadtune(dir, {c.text});
        readevents(*w, 0, c.calls);
        EXPECT_EQ(w->curchar[0], c.curchar);
        EXPECT_EQ(w->charnum[0], c.charnum);
        EXPECT_EQ(w->linenum[0], c.linenum);
        EXPECT_EQ(w->good[0], c.good);
        EXPECT_EQ(w->playing[0], c.playing);
    }
}

TEST(ChannelReader, ReadsNumbersWithLeadingZerosAndAnyNumberOfDigits) {
    const std::string zeros(5000, '0');
    const struct {
        std::string text;
        std::int32_t unitlen;
    } cases[] = {
        {"l007", 7},
        {"l", 0},
        {"l c", 0},
        {"l12c", 12},
        {"l44100", 44100},
        {"l2147483647", 2147483647},
        // Numbers accumulate modulo 2^32 and are read as signed.
        {"l2147483648", std::numeric_limits<std::int32_t>::min()},
        {"l4294967295", -1},
        {"l4294967296", 0},
        {"l4294967303", 7},
        {"l1" + zeros, 0},
        {"l1" + zeros + "9", 9},
        {"l" + zeros + "5", 5},
    };
    scratchdir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        const auto w = loadtune(dir, {c.text});
        w->readcommands(0);
        EXPECT_EQ(w->unitlen[0], c.unitlen);
    }
}

TEST(ChannelReader, SumsFractionDigitsOneByOneInSinglePrecision) {
    const struct {
        std::string fraction;
        std::uint32_t bits;
    } cases[] = {
        // Not 0x3F666666, the float nearest to 0.9: each digit is added with
        // its own rounding.
        {".9", 0x3F666667u},
        {".5", 0x3F000000u},
        {".25", 0x3E800000u},
        {".75", 0x3F400000u},
        {".125", 0x3E000000u},
        {".", 0x00000000u},
        {".0", 0x00000000u},
        {".99999999", 0x3F800000u},
        {"." + std::string(3000, '9'), 0x3F800000u},
    };
    scratchdir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fraction.substr(0, 20));
        const auto w = loadtune(dir, {"i" + c.fraction + " p" + c.fraction});
        w->readcommands(0);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(w->notes[0].inflection), c.bits);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(w->pan[0]), c.bits);
    }
}

TEST(ChannelReader, KeepsAnyGoodTrueWhileSomeChannelHasInput) {
    scratchdir dir;
    const auto w = loadtune(dir, {"c", "c4\n", ""});
    EXPECT_TRUE(w->anygood);
    w->readcommands(0);
    EXPECT_TRUE(w->playing[0]);
    EXPECT_FALSE(w->good[0]);
    EXPECT_TRUE(w->anygood);
    w->readcommands(2);
    EXPECT_FALSE(w->playing[2]);
    EXPECT_TRUE(w->anygood);
    readevents(*w, 1, 2);
    EXPECT_FALSE(w->good[1]);
    EXPECT_FALSE(w->anygood);
}

// Looping is not reachable from the command line; the class supports it.
TEST(LoopingChannel, ReopensWithTheCountersRunningOnFromThePreviousPass) {
    const struct {
        std::string text;
        int calls;  // until the file has been reopened
        int charnum;
        int linenum;
        int nextcharnum;  // after the first note of the second pass
        int nextlinenum;
    } cases[] = {
        {"c4", 1, 2, 0, 4, 0},
        {"c4\n", 2, 0, 1, 2, 1},
    };
    scratchdir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.text));
        const auto w = loadtune(dir, {c.text}, true);
        readevents(*w, 0, c.calls);
        EXPECT_TRUE(w->good[0]);
        EXPECT_TRUE(w->anygood);
        EXPECT_EQ(w->curchar[0], 'c');
        EXPECT_EQ(w->charnum[0], c.charnum);
        EXPECT_EQ(w->linenum[0], c.linenum);

        w->notes[0].period = 0;
        readevents(*w, 0, 1);
        EXPECT_TRUE(w->playing[0]);
        EXPECT_EQ(w->notes[0].period, 337);
        EXPECT_EQ(w->duration[0], 4u * 44100u);
        EXPECT_EQ(w->charnum[0], c.nextcharnum);
        EXPECT_EQ(w->linenum[0], c.nextlinenum);
    }
}

TEST(LoopingChannel, ReadsTheFileAgainFromItsStartAsItIsThen) {
    scratchdir dir;
    const auto tune = writetune(dir, {"c4"});
    const auto w = opentune(tune, true);
    // The first pass still reads the file it opened; the reopening finds the
    // new one.
    dir.write("tune/new.wlk", "r3");
    std::filesystem::rename(tune / "new.wlk", tune / "channel0.wlk");
    w->readcommands(0);
    EXPECT_FALSE(w->resting[0]);
    EXPECT_EQ(w->curchar[0], 'r');
    readevents(*w, 0, 1);
    EXPECT_TRUE(w->resting[0]);
    EXPECT_EQ(w->duration[0], 3u * 44100u);
    EXPECT_EQ(w->charnum[0], 4);
}

TEST(LoopingChannel, ClosesForGoodWhenTheReopenedFileIsEmpty) {
    scratchdir dir;
    const auto tune = writetune(dir, {"c4", "r1"});
    const auto w = opentune(tune, true);
    dir.write("tune/new.wlk", "");
    std::filesystem::rename(tune / "new.wlk", tune / "channel0.wlk");
    readevents(*w, 0, 1);
    EXPECT_TRUE(w->playing[0]);
    EXPECT_FALSE(w->good[0]);
    EXPECT_FALSE(w->channelfile[0].is_open());
    EXPECT_TRUE(w->anygood);

    // Neither new content nor later calls bring it back.
    dir.write("tune/channel0.wlk", "c4");
    readevents(*w, 0, 3);
    EXPECT_FALSE(w->good[0]);
    EXPECT_FALSE(w->playing[0]);
    EXPECT_FALSE(w->channelfile[0].is_open());
}

TEST(LoopingChannel, AnEmptyFileNeverPlaysAndLeavesNoChannelWithInput) {
    scratchdir dir;
    const auto w = loadtune(dir, {""}, true);
    readevents(*w, 0, 3);
    EXPECT_FALSE(w->playing[0]);
    EXPECT_FALSE(w->good[0]);
    EXPECT_FALSE(w->anygood);
    EXPECT_FALSE(w->channelfile[0].is_open());
}

TEST(LoopingChannel, StopsTheRunWhenItsFileHasGoneAtTheReopening) {
    scratchdir dir;
    const auto tune = writetune(dir, {"c4"});
    EXPECT_EXIT(
        {
            const auto w = opentune(tune, true);
            std::filesystem::remove(tune / "channel0.wlk");
            w->readcommands(0);
            std::exit(0);
        },
        ExitedWithCode(1), "^ERROR- Failed to find file .*/tune/channel0\\.wlk\n$");
}
