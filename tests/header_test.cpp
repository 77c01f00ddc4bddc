// The 44-byte RIFF/WAVE header, and the files the binary writes around it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "driver/wavheader.h"
#include "support/scratch.h"

using namespace testing_support;

namespace {

std::vector<std::uint8_t> header(std::uint32_t databytes, bool sixteen) {
    std::ostringstream out;
    write_header(out, databytes, sixteen);
    const std::string bytes = out.str();
    return {bytes.begin(), bytes.end()};
}

// clang-format off
const std::vector<std::uint8_t> empty8 = {
    0x52, 0x49, 0x46, 0x46, 0x24, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45,
    0x66, 0x6D, 0x74, 0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00,
    0x44, 0xAC, 0x00, 0x00, 0x88, 0x58, 0x01, 0x00, 0x02, 0x00, 0x08, 0x00,
    0x64, 0x61, 0x74, 0x61, 0x00, 0x00, 0x00, 0x00};
// clang-format on

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

}  // namespace

TEST(WavHeader, EmptyEightBitFileHasTheCanonicalFortyFourBytes) {
    EXPECT_EQ(header(0, false), empty8);
}

TEST(WavHeader, SixteenBitChangesOnlyByteRateAlignmentAndBits) {
    std::vector<std::uint8_t> expected = empty8;
    const std::vector<std::uint8_t> rates = {0x10, 0xB1, 0x02, 0x00, 0x04, 0x00, 0x10, 0x00};
    std::copy(rates.begin(), rates.end(), expected.begin() + 28);
    EXPECT_EQ(header(0, true), expected);
}

TEST(WavHeader, DataSizeIsLittleEndianInBothSizeFields) {
    const std::vector<std::uint8_t> bytes = header(22050, false);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 4, bytes.begin() + 8),
              (std::vector<std::uint8_t>{0x46, 0x56, 0x00, 0x00}));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 40, bytes.begin() + 44),
              (std::vector<std::uint8_t>{0x22, 0x56, 0x00, 0x00}));
    // Every byte of a large size lands in its place, least significant first.
    const std::vector<std::uint8_t> large = header(0x89ABCDEFu, true);
    EXPECT_EQ(le32(large, 40), 0x89ABCDEFu);
    EXPECT_EQ(le32(large, 4), 0x89ABCDEFu + 36);
}

TEST(WavHeader, LargestDescribableDataFillsTheRiffSizeExactly) {
    EXPECT_TRUE(wavcanhold(maxdatabytes));
    EXPECT_FALSE(wavcanhold(maxdatabytes + 1));
    EXPECT_EQ(le32(header(static_cast<std::uint32_t>(maxdatabytes), false), 4), 0xFFFFFFFFu);
}

// Whatever the tune and the sample width, the file the binary writes is the
// header plus exactly the data size it declares, and the RIFF size counts
// everything after its own field.
TEST(WavFile, LengthIsHeaderPlusDataAndRiffSizeIsLengthMinusEight) {
    struct render {
        std::vector<std::string> channels;
        std::vector<std::string> args;
    };
    const std::vector<render> renders = {
        {{""}, {}},
        {{"o4a1"}, {}},
        {{"o4a1"}, {"-16"}},
        {{"o4l1000a3"}, {"-s", "7"}},
        {{"o4l1000a3"}, {"-16", "-s", "7"}},
    };
    for (const render& r : renders) {
        SCOPED_TRACE("'" + r.channels[0] + "' with " + std::to_string(r.args.size()) + " options");
        scratchdir dir;
        std::string index = std::to_string(r.channels.size());
        for (std::size_t c = 0; c < r.channels.size(); ++c) index += " 0";
        dir.tune("tune", index, r.channels);
        std::vector<std::string> args = {"-o", "out.wav"};
        args.insert(args.end(), r.args.begin(), r.args.end());
        const runresult run = runwavelark(args, dir.path());
        ASSERT_EQ(run.status, 0) << run.out << run.err;
        const std::vector<std::uint8_t> file = readbytes(dir.path() / "out.wav");
        const wavfile wav = readwav(dir.path() / "out.wav");
        EXPECT_EQ(file.size(), 44 + wav.datasize);
        EXPECT_EQ(wav.riffsize, file.size() - 8);
    }
}
