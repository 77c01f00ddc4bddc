// The bundled example tunes, rendered by the real binary: every folder under
// examples/ must render cleanly in both sample widths, to a well-formed WAV
// that holds sound throughout, and stay clear of 8-bit wrapping. The demo
// renders examples/canon, so that one must exist.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/scratch.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const fs::path examplesdir = fs::path(WAVELARK_SOURCE_DIR) / "examples";

constexpr std::uint32_t framespersecond = 44100;
// The default block; the data is always a whole number of blocks.
constexpr std::uint32_t blockframes = 11025;
// An example may end on up to this many seconds of rest and block padding.
constexpr std::size_t tailseconds = 2;

std::vector<std::string> examplenames() {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(examplesdir, ignored))
        if (entry.is_directory()) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

std::uint16_t le16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

struct rendering {
    std::string example;
    bool sixteen = false;
};

std::vector<rendering> renderings() {
    std::vector<rendering> all;
    for (const std::string& name : examplenames()) {
        all.push_back({name, false});
        all.push_back({name, true});
    }
    return all;
}

class ExampleTune : public ::testing::TestWithParam<rendering> {};

TEST_P(ExampleTune, RendersToAWellFormedWavWithSoundThroughout) {
    const rendering& run = GetParam();
    scratchdir dir;
    std::vector<std::string> args = {"-d", (examplesdir / run.example).string(), "-o", "out.wav"};
    if (run.sixteen) args.push_back("-16");
    const runresult r = runwavelark(args, dir.path());
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");

    const std::vector<std::uint8_t> file = readbytes(dir.path() / "out.wav");
    ASSERT_GE(file.size(), 44u);
    const std::uint16_t bits = run.sixteen ? 16 : 8;
    const std::uint16_t align = 2 * bits / 8;
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(le32(file, 4), file.size() - 8);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32(file, 16), 16u);
    EXPECT_EQ(le16(file, 20), 1);  // integer PCM
    EXPECT_EQ(le16(file, 22), 2);  // stereo
    EXPECT_EQ(le32(file, 24), framespersecond);
    EXPECT_EQ(le32(file, 28), framespersecond * align);
    EXPECT_EQ(le16(file, 32), align);
    EXPECT_EQ(le16(file, 34), bits);
    EXPECT_EQ(std::string(file.begin() + 36, file.begin() + 40), "data");
    const std::uint32_t datasize = le32(file, 40);
    ASSERT_EQ(datasize, file.size() - 44);
    EXPECT_EQ(datasize % (blockframes * align), 0u);

    // Silence is all-zero bytes in both widths (8-bit silence is 0, not 128).
    // Every whole second before the tail must hold some sound.
    const std::size_t secondbytes = std::size_t{framespersecond} * align;
    const std::size_t seconds = datasize / secondbytes;
    ASSERT_GT(seconds, tailseconds) << "the tune is too short to be an example";
    for (std::size_t s = 0; s + tailseconds < seconds; ++s) {
        const auto from = file.begin() + 44 + static_cast<std::ptrdiff_t>(s * secondbytes);
        const bool sound = std::any_of(from, from + static_cast<std::ptrdiff_t>(secondbytes),
                                       [](std::uint8_t b) { return b != 0; });
        EXPECT_TRUE(sound) << "second " << s << " is silent";
    }
}

std::string renderingname(const ::testing::TestParamInfo<rendering>& info) {
    return info.param.example + (info.param.sixteen ? "_16bit" : "_8bit");
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleTune, ::testing::ValuesIn(renderings()), renderingname);

class ExampleMix : public ::testing::TestWithParam<std::string> {};

// 8-bit sums wrap at 256 (16-bit ones cannot at gain 1). Halving the gain
// halves every channel's part; a mix that stays clear renders at gain 1 to
// twice its half-gain rendering, give or take the one step per channel that
// truncation loses, while a wrapped value is off by about 256.
TEST_P(ExampleMix, StaysClearOfEightBitWrapping) {
    scratchdir dir;
    const std::string tune = (examplesdir / GetParam()).string();
    ASSERT_EQ(runwavelark({"-d", tune, "-o", "full.wav"}, dir.path()).status, 0);
    ASSERT_EQ(runwavelark({"-d", tune, "-o", "half.wav", "-g", "0.5"}, dir.path()).status, 0);
    const wavfile full = readwav(dir.path() / "full.wav");
    const wavfile half = readwav(dir.path() / "half.wav");
    ASSERT_EQ(full.data.size(), half.data.size());
    constexpr int tolerance = 4;  // one per channel, at most 4 channels
    for (std::size_t i = 0; i < full.data.size(); ++i) {
        const int difference = full.data[i] - 2 * half.data[i];
        ASSERT_LE(std::abs(difference), tolerance)
            << "value " << i << " (frame " << i / 2 << ") wraps: " << int{full.data[i]}
            << " at gain 1, " << int{half.data[i]} << " at gain 0.5";
    }
}

INSTANTIATE_TEST_SUITE_P(Examples, ExampleMix, ::testing::ValuesIn(examplenames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

TEST(Examples, IncludeTheDemoTuneTheTourAndHello) {
    const std::vector<std::string> names = examplenames();
    for (const char* needed : {"canon", "tour", "hello"})
        EXPECT_NE(std::find(names.begin(), names.end(), needed), names.end())
            << "examples/" << needed << " is missing";
}

// A reader opening any channel file learns first what it shows.
TEST(Examples, EveryChannelFileStartsWithACommentSayingWhatItShows) {
    for (const std::string& name : examplenames()) {
        int files = 0;
        for (const auto& entry : fs::directory_iterator(examplesdir / name)) {
            if (entry.path().extension() != ".wlk") continue;
            ++files;
            const std::string text = readfile(entry.path());
            EXPECT_TRUE(text.starts_with("; ") && text.find('\n') > 2)
                << entry.path() << " does not start with a comment line";
        }
        EXPECT_GT(files, 0) << "examples/" << name << " has no channel files";
    }
}

}  // namespace
