// The command line: what each line prints, how it ends, and what it writes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/scratch.h"

using namespace testing_support;

namespace {

const std::string usage =
    "Usage: wavelark [ -h ] | [ -d tunedir | -o outfile | -16 | -g gain | -s samples ]\n"
    "type 'wavelark -h' for details.\n";

const std::string help =
    "Wavelark version 2.1\n"
    "Basic usage: wavelark [ -h ] | [ -d tunedir | -o outfile | -16 | -g gain | -s samples ]\n"
    "\n"
    "-d specifies tune data in _tunedir_ should be used.  Default _tunedir_ is /tune\n"
    "-o specifies output file name should be _outfile_.  Default _outfile_ is output.wav\n"
    "-g specifies output levels should be multiplied by _gain_.  Default _gain_ is 1.0.\n"
    "   WARNING: No clipping detection/correction is done!  High _gain_ may sound ugly!\n"
    "-s specifies the number of _samples_ to generate at once.  Default _samples_ is\n"
    "   11025, output sample rate is 44100Hz.  Higher _samples_ values decrease runtime,\n"
    "   lower values eliminate 'dead' space at the end of the output file.\n"
    "-16 will force 16-bit file output.  See the readme for details/issues.\n"
    "-h will cause wavelark to print this help text and exit directly\n"
    "\n"
    "See the wavelark documentation for input file format details and other info.\n";

std::string badblock(const std::string& value) {
    return "bad value for -s: '" + value + "' (give 1 to 16777216 frames per block)\n";
}

// One square channel of 3003 frames: no block length used below divides it,
// so a data size that is a whole number of blocks shows the padded tail.
constexpr std::uint32_t tuneframes = 3003;

void writetune(const scratchdir& dir) { dir.tune("tune", "1 0\n", {"o4l1001a3"}); }

struct clicase {
    const char* name;
    std::vector<std::string> args;
    std::string out;  // standard output, exactly
    std::string err;  // standard error, exactly
    int status;
    std::string written;           // the file the run writes, empty for none
    std::uint32_t blockbytes = 0;  // the data size is a whole number of these
    std::uint16_t bits = 8;
};

class CommandLine : public ::testing::TestWithParam<clicase> {};

}  // namespace

TEST_P(CommandLine, PrintsEndsAndWritesAsTheLineAsks) {
    const clicase& c = GetParam();
    scratchdir dir;
    writetune(dir);
    const runresult run = runwavelark(c.args, dir.path());
    EXPECT_EQ(run.out, c.out);
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.status, c.status);

    std::vector<std::string> expected = {"tune"};
    if (!c.written.empty()) expected.push_back(c.written);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(scratchdir::entries(dir.path()), expected);
    if (c.written.empty()) return;

    const wavfile wav = readwav(dir.path() / c.written);
    EXPECT_EQ(wav.bits, c.bits);
    EXPECT_EQ(wav.datasize, wav.data.size());
    EXPECT_GE(wav.datasize, tuneframes * 2 * (c.bits / 8));
    EXPECT_EQ(wav.datasize % c.blockbytes, 0u) << wav.datasize;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CommandLine,
    ::testing::Values(
        // No arguments: the usage, then the defaults: "tune" into output.wav,
        // 8-bit, blocks of 11025 frames.
        clicase{"NoArguments", {}, usage, "", 0, "output.wav", 22050},
        clicase{"Help", {"-h"}, help, "", 0, ""},
        // Help stops the walk at once: earlier settings, bad values included,
        // never take effect and nothing is read or written.
        clicase{"HelpAfterOptions",
                {"-d", "nowhere", "-o", "x.wav", "-16", "-s", "0", "-g", "x", "-h"},
                help,
                "",
                0,
                ""},
        clicase{"HelpBeforeJunk", {"-h", "junk", "-d"}, help, "", 0, ""},
        clicase{"LoneValueOption", {"-d"}, "bad number of arguments after -d\n", "", 255, ""},
        clicase{
            "LoneGain", {"-o", "a.wav", "-g"}, "bad number of arguments after -g\n", "", 255, ""},
        clicase{"SixteenLast", {"-o", "a.wav", "-16"}, "", "", 0, "a.wav", 44100, 16},
        clicase{"WordAfterSixteen",
                {"-16", "word"},
                "bad number of arguments after word\n",
                "",
                255,
                ""},
        clicase{"WordBeforeSixteen", {"word", "-16"}, "invalid argument: word\n", "", 255, ""},
        clicase{"CaseMatters", {"-D", "tune", "-16"}, "invalid argument: -D\n", "", 255, ""},
        clicase{"JunkBeforeHelp", {"junk", "-h"}, "invalid argument: junk\n", "", 255, ""},
        // A value is taken verbatim, even one that looks like an option.
        clicase{"OptionAsValue",
                {"-d", "-o"},
                "",
                "ERROR- Failed to find file -o/channels.txt\n",
                1,
                ""},
        clicase{"LastOutputWins", {"-o", "a.wav", "-o", "b.wav"}, "", "", 0, "b.wav", 22050},
        clicase{"LastDirectoryWins",
                {"-d", "nowhere", "-d", "tune", "-o", "b.wav"},
                "",
                "",
                0,
                "b.wav",
                22050},
        clicase{"LastBlockWins", {"-s", "0", "-s", "100", "-o", "b.wav"}, "", "", 0, "b.wav", 200},
        clicase{"LastWidthAndBlock",
                {"-16", "-s", "5", "-16", "-s", "100", "-o", "b.wav"},
                "",
                "",
                0,
                "b.wav",
                400,
                16},
        clicase{"HundredFrameBlocks", {"-s", "100", "-o", "b.wav"}, "", "", 0, "b.wav", 200},
        clicase{"HundredFrameBlocks16",
                {"-s", "100", "-16", "-o", "b.wav"},
                "",
                "",
                0,
                "b.wav",
                400,
                16},
        clicase{"OneFrameBlocks", {"-s", "1", "-o", "b.wav"}, "", "", 0, "b.wav", 2},
        // atoi rules: blanks, a sign, digits up to the first non-digit.
        clicase{"BlockByAtoiRules", {"-s", " +100frames", "-o", "b.wav"}, "", "", 0, "b.wav", 200},
        clicase{"ZeroBlock", {"-s", "0"}, badblock("0"), "", 255, ""},
        clicase{"NegativeBlock", {"-s", "-5"}, badblock("-5"), "", 255, ""},
        clicase{"WordBlock", {"-s", "abc"}, badblock("abc"), "", 255, ""},
        clicase{"JustTooLargeBlock", {"-s", "16777217"}, badblock("16777217"), "", 255, ""},
        clicase{"HugeBlock",
                {"-s", "99999999999999999999"},
                badblock("99999999999999999999"),
                "",
                255,
                ""},
        clicase{"WordGain",
                {"-g", "abc"},
                "bad value for -g: 'abc' (give a decimal number, e.g. 0.5)\n",
                "",
                255,
                ""},
        clicase{"FractionalGain", {"-g", "0.5", "-o", "b.wav"}, "", "", 0, "b.wav", 22050},
        clicase{"PointGain", {"-g", ".5", "-o", "b.wav"}, "", "", 0, "b.wav", 22050}),
    [](const ::testing::TestParamInfo<clicase>& info) { return info.param.name; });

TEST(CommandLine, GainScalesTheMixedLevels) {
    scratchdir dir;
    writetune(dir);
    ASSERT_EQ(runwavelark({"-o", "one.wav"}, dir.path()).status, 0);
    ASSERT_EQ(runwavelark({"-g", "0.5", "-o", "half.wav"}, dir.path()).status, 0);
    const wavfile one = readwav(dir.path() / "one.wav");
    const wavfile half = readwav(dir.path() / "half.wav");
    ASSERT_EQ(one.data.size(), half.data.size());
    const std::uint8_t peak = *std::max_element(one.data.begin(), one.data.end());
    EXPECT_GT(peak, 0);
    EXPECT_EQ(*std::max_element(half.data.begin(), half.data.end()), peak / 2);
}

// 16-bit data is little-endian whatever the host, four bytes to a frame, and
// the block tail counts in the data size.
TEST(CommandLine, SixteenBitDataIsLowByteFirstFourBytesPerFrame) {
    scratchdir dir;
    writetune(dir);
    ASSERT_EQ(runwavelark({"-16", "-s", "1000", "-o", "out.wav"}, dir.path()).status, 0);
    const wavfile wav = readwav(dir.path() / "out.wav");
    EXPECT_EQ(wav.datasize, 4u * 4000u);
    const std::vector<std::int16_t> values = wav.samples16();
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    // A square at full volume swings around the centre of the 16-bit range;
    // read with the wrong byte order its values would not be symmetric.
    EXPECT_LT(*low, 0);
    EXPECT_GT(*high, 0);
    EXPECT_NEAR(*high, -*low, 256);
}
