// Volume, envelope/tremolo, sweep/vibrato, inflection, panning and ring
// partner: the values they store and the errors they stop with.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/notation.h"
#include "support/scratch.h"

using namespace testing_support;
using ::testing::ExitedWithCode;

namespace {

constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();

// Every setting of one channel after its text has been read; a row names
// only what differs from the defaults.
struct settingscase {
    std::string text;
    int channels = 1;
    int channel = 0;
    std::uint8_t volume = 128;
    std::int8_t envrise = 0;
    frames envrun = 1;
    bool tremolo = false;
    std::int32_t sweeprise = 0;
    frames sweeprun = 1;
    bool vibrato = false;
    float inflection = 0.5f;
    float pan = 0.5f;
    std::int32_t partner = -1;
};

const settingscase settings[] = {
    // Volume is the number modulo 256.
    {.text = "v300", .volume = 44},
    {.text = "v", .volume = 0},
    {.text = "V64", .volume = 64},
    {.text = "v256", .volume = 0},
    {.text = "v4294967295", .volume = 255},
    {.text = "v9v10", .volume = 10},
    // The envelope keeps the low 8 bits of +rise or -rise.
    {.text = "n-3/100", .envrise = -3, .envrun = 100},
    {.text = "n10~50", .envrise = 10, .envrun = 50, .tremolo = true},
    {.text = "n200/1", .envrise = -56},
    {.text = "n-200/1", .envrise = 56},
    {.text = "n128/1", .envrise = -128},
    {.text = "n-128/1", .envrise = -128},
    {.text = "n-2147483648/4294967295", .envrise = 0, .envrun = 4294967295u},
    {.text = "N/5", .envrun = 5},
    {.text = "n-/5", .envrun = 5},
    {.text = "n5/", .envrise = 5, .envrun = 0},
    {.text = "n5~", .envrise = 5, .envrun = 0, .tremolo = true},
    {.text = "n1~2 n3/4", .envrise = 3, .envrun = 4},
    // The sweep keeps all 32 bits.
    {.text = "s-20/2", .sweeprise = -20, .sweeprun = 2},
    {.text = "s300~4", .sweeprise = 300, .sweeprun = 4, .vibrato = true},
    {.text = "S-/5", .sweeprun = 5},
    {.text = "s7~", .sweeprise = 7, .sweeprun = 0, .vibrato = true},
    {.text = "s2147483648/1", .sweeprise = lowest},
    {.text = "s-2147483648/1", .sweeprise = lowest},
    {.text = "s-4294967295/1", .sweeprise = 1},
    {.text = "s1~2 s3/4", .sweeprise = 3, .sweeprun = 4},
    // Fractions are stored as read.
    {.text = "i.75", .inflection = 0.75f},
    {.text = "I.75", .inflection = 0.75f},
    {.text = "i.", .inflection = 0.0f},
    {.text = "p.25", .pan = 0.25f},
    {.text = "P.5", .pan = 0.5f},
    {.text = "p.99999999", .pan = 1.0f},
    {.text = "p.", .pan = 0.0f},
    // A partner is another channel's number or -1, never this channel and
    // never negative; it is not tested against the channel count.
    {.text = "*1", .channels = 2, .partner = 1},
    {.text = "*0", .channels = 2, .partner = -1},
    {.text = "*", .partner = -1},
    {.text = "*", .channels = 3, .channel = 2, .partner = 0},
    {.text = "*2", .channels = 3, .channel = 2, .partner = -1},
    {.text = "*3", .channels = 2, .partner = 3},
    {.text = "*1 *0", .channels = 2, .partner = -1},
    {.text = "*2147483647", .partner = 2147483647},
    {.text = "*2147483648", .partner = -1},
    {.text = "*4294967295", .partner = -1},
    {.text = "*4294967298", .partner = 2},
    {.text = "*4294967297", .channels = 2, .channel = 1, .partner = -1},
};

}  // namespace

TEST(ParameterCommands, StoreTheirValuesAndStartNoEvent) {
    scratchdir dir;
    for (const settingscase& c : settings) {
        SCOPED_TRACE(c.text + " in channel " + std::to_string(c.channel));
        std::vector<std::string> channels(c.channels);
        channels[c.channel] = c.text;
        const auto w = loadtune(dir, channels);
        const int ch = c.channel;
        w->readcommands(ch);
        EXPECT_FALSE(w->playing[ch]);
        EXPECT_FALSE(w->good[ch]);
        const wavelark::notespec& n = w->notes[ch];
        EXPECT_EQ(n.volume, c.volume);
        EXPECT_EQ(n.envrise, c.envrise);
        EXPECT_EQ(n.envrun, c.envrun);
        EXPECT_EQ(n.tremolo, c.tremolo);
        EXPECT_EQ(n.sweeprise, c.sweeprise);
        EXPECT_EQ(n.sweeprun, c.sweeprun);
        EXPECT_EQ(n.vibrato, c.vibrato);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(n.inflection),
                  std::bit_cast<std::uint32_t>(c.inflection));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(w->pan[ch]), std::bit_cast<std::uint32_t>(c.pan));
        EXPECT_EQ(w->partner[ch], c.partner);
    }
}

TEST(ParameterCommands, ApplyFromTheNextEventAndStayThroughNotesAndRests) {
    scratchdir dir;
    const auto w = loadtune(dir, {"v64n-1/10c4 r1 c2 v9", "c1 s2~3 i.25 p.75 *0 c1"});
    readevents(*w, 0, 1);
    EXPECT_EQ(w->notes[0].volume, 64);
    EXPECT_EQ(w->notes[0].envrise, -1);
    EXPECT_EQ(w->notes[0].envrun, 10u);
    readevents(*w, 0, 2);
    EXPECT_EQ(w->duration[0], 2u * 44100u);
    EXPECT_EQ(w->notes[0].volume, 64);
    EXPECT_EQ(w->notes[0].envrise, -1);
    readevents(*w, 0, 1);
    EXPECT_EQ(w->notes[0].volume, 9);

    // Settings written after a note are read only when that note has ended.
    readevents(*w, 1, 1);
    EXPECT_EQ(w->notes[1].sweeprise, 0);
    EXPECT_EQ(w->pan[1], 0.5f);
    EXPECT_EQ(w->partner[1], -1);
    readevents(*w, 1, 1);
    EXPECT_TRUE(w->playing[1]);
    EXPECT_EQ(w->notes[1].sweeprise, 2);
    EXPECT_EQ(w->notes[1].sweeprun, 3u);
    EXPECT_TRUE(w->notes[1].vibrato);
    EXPECT_EQ(w->notes[1].inflection, 0.25f);
    EXPECT_EQ(w->pan[1], 0.75f);
    EXPECT_EQ(w->partner[1], 0);
}

namespace {

constexpr const char* envelopemessage =
    "use '/' to separate volume envelope rise/run or '~' to separate depth/width for tremolo; "
    "no spaces allowed between specifer and value";
constexpr const char* sweepmessage =
    "use '/' to separate frequency sweep rise/run or '~' to separate depth/width for vibrato; "
    "no spaces allowed between specifer and value";
constexpr const char* inflectionmessage =
    "inflection should be a decimal value between 0 and 1 with a leading decimal point, e.g. "
    "'.25' or '.5'; no spaces allowed between specifer and value";
constexpr const char* panmessage =
    "panning should be a decimal value between 0 and 1 with a leading decimal point, e.g. "
    "'.25' or '.5'";

const notationerror errors[] = {
    // The separator must follow the first number at once.
    {"n5 /3", envelopemessage, 2, 0},
    {"n5:3", envelopemessage, 2, 0},
    {"n 5/3", envelopemessage, 1, 0},
    {"n-5-3", envelopemessage, 3, 0},
    {"v1\nN1;2", envelopemessage, 2, 1},
    {"s5 ~3", sweepmessage, 2, 0},
    {"S-5", sweepmessage, 3, 0},
    // Input that ends before the separator leaves the last character read
    // as the look-ahead, one past it.
    {"n", envelopemessage, 1, 0},
    {"n-", envelopemessage, 2, 0},
    {"n12", envelopemessage, 3, 0},
    {"s", sweepmessage, 1, 0},
    {"c1 s", sweepmessage, 4, 0},
    // A fraction needs its point right after the letter.
    {"i", inflectionmessage, 1, 0},
    {"i5", inflectionmessage, 1, 0},
    {"i .5", inflectionmessage, 1, 0},
    {"I0.5", inflectionmessage, 1, 0},
    {"p0.5", panmessage, 1, 0},
    {"p .5", panmessage, 1, 0},
    {"p", panmessage, 1, 0},
    {"P,5", panmessage, 1, 0},
    {"p.5.5", "invalid syntax", 3, 0},
    {"*-1", "invalid syntax", 1, 0},
};

}  // namespace

TEST(ParameterCommands, StopWithTheirOwnMessageAtTheLookAhead) {
    scratchdir dir;
    expectnotationerrors(dir, errors);
}
