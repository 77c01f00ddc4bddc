// Loading a tune directory: channels.txt, the channel files, and the state
// every channel starts in.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "renderer/wavelark.h"
#include "support/scratch.h"

using namespace testing_support;

namespace {

// A tune directory with `files` channel files, each holding a note.
std::filesystem::path writetune(const scratchdir& dir, const std::string& index, int files) {
    return dir.tune("tune", index, std::vector<std::string>(files, "a"));
}

struct indexcase {
    const char* name;
    std::string index;
    int files;
    std::vector<std::int32_t> wavetypes;  // also gives the channel count
    std::string err;                      // standard error while loading, exactly
};

class ChannelIndex : public ::testing::TestWithParam<indexcase> {};

}  // namespace

TEST_P(ChannelIndex, GivesTheChannelsAndTheirWaveTypes) {
    const indexcase& c = GetParam();
    scratchdir dir;
    const auto tune = writetune(dir, c.index, c.files);
    ::testing::internal::CaptureStderr();
    wavelark w(tune.c_str(), false);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.err);
    EXPECT_EQ(w.numchannels, static_cast<int>(c.wavetypes.size()));
    EXPECT_EQ(w.wavetype, c.wavetypes);
    for (int ch = 0; ch < w.numchannels; ++ch) EXPECT_TRUE(w.channelfile[ch].is_open()) << ch;
    for (int ch = w.numchannels; ch < maxchannels; ++ch)
        EXPECT_FALSE(w.channelfile[ch].is_open()) << ch;
}

INSTANTIATE_TEST_SUITE_P(
    Indexes, ChannelIndex,
    ::testing::Values(
        // Only the first four wave types are read; the rest are never looked at.
        indexcase{"SixChannels",
                  "6 1 2 3 4 0 0",
                  6,
                  {1, 2, 3, 4},
                  "Too many channels- 6 requested, 4supported.\n"},
        indexcase{"FiveChannelsIgnoreTheFifthType",
                  "5 1 2 3 4 9",
                  5,
                  {1, 2, 3, 4},
                  "Too many channels- 5 requested, 4supported.\n"},
        indexcase{"FourChannels", "4 0 1 2 3", 4, {0, 1, 2, 3}, ""},
        // An unknown type becomes square, with a message; a negative one
        // stays and silences its channel.
        indexcase{"UnknownAndNegativeTypes",
                  "3 7 -1 3",
                  3,
                  {0, -1, 3},
                  "Requested wave type undefined.  Substituting square wave.\n"},
        indexcase{"MessagesInOrder",
                  "5 9 0 5 0",
                  4,
                  {0, 0, 0, 0},
                  "Too many channels- 5 requested, 4supported.\n"
                  "Requested wave type undefined.  Substituting square wave.\n"
                  "Requested wave type undefined.  Substituting square wave.\n"},
        indexcase{"SpreadOverLines", "\n2\n\n \t3\n   4", 2, {3, 4}, ""},
        indexcase{"SignsAndTrailingText", "+2 +4 0 and the rest is never read", 2, {4, 0}, ""},
        indexcase{"NoChannels", "0\n", 0, {}, ""}),
    [](const ::testing::TestParamInfo<indexcase>& info) { return info.param.name; });

TEST(Loader, FreshChannelHasTheDefaultState) {
    scratchdir dir;
    const auto tune = dir.tune("tune", "2 1 4", {"o4a", "; rest"});
    wavelark w(tune.c_str(), true);
    EXPECT_TRUE(w.loop);
    EXPECT_TRUE(w.anygood);
    EXPECT_TRUE(w.active);
    EXPECT_FALSE(w.done());
    EXPECT_STREQ(w.tunedir.data(), tune.c_str());
    const std::vector<char> first = {'o', ';'};
    for (int ch = 0; ch < 2; ++ch) {
        SCOPED_TRACE("channel " + std::to_string(ch));
        EXPECT_EQ(w.curchar[ch], first[ch]);
        EXPECT_TRUE(w.good[ch]);
        EXPECT_EQ(w.linenum[ch], 0);
        EXPECT_EQ(w.charnum[ch], 0);
        EXPECT_EQ(w.unitlen[ch], 44100);
        EXPECT_EQ(w.pan[ch], 0.5f);
        EXPECT_EQ(w.octave[ch], 3);
        EXPECT_EQ(w.duration[ch], 44100u);
        EXPECT_FALSE(w.playing[ch]);
        EXPECT_TRUE(w.resting[ch]);
        EXPECT_EQ(w.partner[ch], -1);
        const wavelark::notespec& n = w.notes[ch];
        EXPECT_EQ(n.sample, 0u);
        EXPECT_EQ(n.period, 100);
        EXPECT_EQ(n.envrun, 1u);
        EXPECT_EQ(n.sweeprun, 1u);
        EXPECT_EQ(n.phase, 0u);
        EXPECT_EQ(n.cycle, 100u);
        EXPECT_EQ(n.inflection, 0.5f);
        EXPECT_EQ(n.sweeprise, 0);
        EXPECT_EQ(n.envrise, 0);
        EXPECT_EQ(n.volume, 128);
        EXPECT_EQ(n.level, 128);
        EXPECT_FALSE(n.tremolo);
        EXPECT_FALSE(n.vibrato);
        EXPECT_EQ(n.noisebit, 1);
    }
}

TEST(Loader, EmptyChannelFilesHaveEndedInput) {
    scratchdir dir;
    const auto some = dir.tune("some", "2 0 0", {"", "a"});
    wavelark partly(some.c_str(), false);
    EXPECT_EQ(partly.good, (std::vector<bool>{false, true}));
    EXPECT_FALSE(partly.done());

    const auto none = dir.tune("none", "2 0 0", {"", ""});
    wavelark empty(none.c_str(), false);
    EXPECT_EQ(empty.good, (std::vector<bool>{false, false}));
    EXPECT_FALSE(empty.anygood);
    EXPECT_TRUE(empty.done());

    const auto nochannels = dir.tune("zero", "0", {});
    wavelark zero(nochannels.c_str(), false);
    EXPECT_FALSE(zero.anygood);
    EXPECT_TRUE(zero.done());
}

TEST(Loader, FinishedTuneStoresOnlyZeros) {
    scratchdir dir;
    const auto tune = dir.tune("tune", "1 0", {""});
    wavelark w(tune.c_str(), false);
    std::vector<std::uint8_t> block(64, 0xAA);
    w.parse8(block.data(), static_cast<int>(block.size()), 1.0f);
    EXPECT_EQ(block, std::vector<std::uint8_t>(64, 0));
    EXPECT_TRUE(w.done());
}

TEST(Loader, NegativeWaveTypeRendersSilence) {
    scratchdir dir;
    auto firstblock = [&](const std::string& name, const std::string& index) {
        const auto tune = dir.tune(name, index, {"o4a1"});
        wavelark w(tune.c_str(), false);
        std::vector<std::uint8_t> block(2000, 0xAA);
        w.parse8(block.data(), static_cast<int>(block.size()), 1.0f);
        return block;
    };
    EXPECT_NE(firstblock("square", "1 0"), std::vector<std::uint8_t>(2000, 0));
    EXPECT_EQ(firstblock("silent", "1 -1"), std::vector<std::uint8_t>(2000, 0));
}

// Every fatal error in the tune directory: one message on standard error,
// status 1.
TEST(LoaderDeathTest, MissingFilesEndTheRunNamingThePath) {
    scratchdir dir;
    const std::string root = dir.path().string();

    EXPECT_EXIT(wavelark((root + "/nowhere").c_str(), false), ::testing::ExitedWithCode(1),
                "^ERROR- Failed to find file " + root + "/nowhere/channels\\.txt\n$");

    // The lowest-numbered missing channel file is reported, after the index's
    // own messages.
    dir.tune("gap", "6 7 0 0 0", {"a", "a"});
    EXPECT_EXIT(wavelark((root + "/gap").c_str(), false), ::testing::ExitedWithCode(1),
                "^Too many channels- 6 requested, 4supported\\.\n"
                "Requested wave type undefined\\.  Substituting square wave\\.\n"
                "ERROR- Failed to find file " +
                    root + "/gap/channel2\\.wlk\n$");

    // A directory in a file's place can never be read from: it is as missing.
    dir.tune("folder", "1 0", {});
    std::filesystem::create_directory(dir.path() / "folder" / "channel0.wlk");
    EXPECT_EXIT(wavelark((root + "/folder").c_str(), false), ::testing::ExitedWithCode(1),
                "^ERROR- Failed to find file " + root + "/folder/channel0\\.wlk\n$");
    std::filesystem::create_directory(dir.path() / "indexfolder");
    std::filesystem::create_directory(dir.path() / "indexfolder" / "channels.txt");
    EXPECT_EXIT(wavelark((root + "/indexfolder").c_str(), false), ::testing::ExitedWithCode(1),
                "^ERROR- Failed to find file " + root + "/indexfolder/channels\\.txt\n$");
}

// channels.txt that does not say how many channels there are, or what voices
// them, stops the run before anything is written.
TEST(Loader, UnreadableIndexEndsTheRunWithoutOutput) {
    struct badindex {
        std::string index;
        std::string message;
    };
    const std::vector<badindex> cases = {
        {"", "Missing or unreadable channel count"},
        {"  \n\t", "Missing or unreadable channel count"},
        {"two 0 0", "Missing or unreadable channel count"},
        {"99999999999 0", "Missing or unreadable channel count"},
        {"-1", "Negative channel count -1"},
        {"2 0", "Missing or unreadable wave type for channel 1"},
        {"2 0 square", "Missing or unreadable wave type for channel 1"},
        {"1 .5", "Missing or unreadable wave type for channel 0"},
    };
    for (const badindex& c : cases) {
        SCOPED_TRACE("channels.txt: '" + c.index + "'");
        scratchdir dir;
        writetune(dir, c.index, 2);
        const runresult run = runwavelark({}, dir.path());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err, "ERROR- " + c.message + " in file tune/channels.txt\n");
        EXPECT_EQ(scratchdir::entries(dir.path()), std::vector<std::string>{"tune"});
    }
}

TEST(Loader, EmptyTunesWriteAHeaderAlone) {
    for (const auto& [index, channels] :
         std::vector<std::pair<std::string, int>>{{"0", 0}, {"1 0", 1}, {"4 0 1 2 3", 4}}) {
        SCOPED_TRACE(index);
        scratchdir dir;
        dir.tune("tune", index, std::vector<std::string>(channels, ""));
        const runresult run = runwavelark({"-o", "out.wav"}, dir.path());
        EXPECT_EQ(run.status, 0) << run.out << run.err;
        const wavfile wav = readwav(dir.path() / "out.wav");
        EXPECT_EQ(readbytes(dir.path() / "out.wav").size(), 44u);
        EXPECT_EQ(wav.datasize, 0u);
    }
}

// The directory path may hold 256 characters; one more is refused before any
// file is touched.
TEST(Loader, DirectoryPathOfAtMost256Characters) {
    scratchdir dir;
    const std::string first(200, 'd');
    const std::string second(55, 't');
    dir.tune(first + "/" + second, "1 0", {"a"});
    const std::string fits = first + "/" + second;
    const std::string toolong = first + "//" + second;  // the same folder
    ASSERT_EQ(fits.size(), 256u);
    ASSERT_EQ(toolong.size(), 257u);

    const runresult accepted = runwavelark({"-d", fits, "-o", "out.wav"}, dir.path());
    EXPECT_EQ(accepted.status, 0) << accepted.out << accepted.err;
    EXPECT_GT(readwav(dir.path() / "out.wav").datasize, 0u);

    const runresult refused = runwavelark({"-d", toolong, "-o", "refused.wav"}, dir.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out,
              "Directory path too long.  Please restrict to 256 characters or fewer.\n");
    EXPECT_EQ(refused.err, "");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "refused.wav"));
}
