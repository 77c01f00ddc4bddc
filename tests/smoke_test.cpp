#include <gtest/gtest.h>

#include "support/scratch.h"

using namespace testing_support;

TEST(Smoke, OneSquareNoteRendersASecondOfFrames) {
    scratchdir dir;
    dir.tune("tune", "1 0\n", {"o4a1"});
    const runresult r = runwavelark({"-d", "tune", "-o", "out.wav"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const wavfile wav = readwav(dir.path() / "out.wav");
    EXPECT_EQ(wav.datasize, wav.data.size());
}
