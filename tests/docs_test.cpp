// The notation guide's examples, rendered by the real binary, so that the
// guide cannot drift from the program. A box fenced as "wavelark" must render
// as shown; a box fenced as "wavelark-error" must stop with exactly the
// message it shows, status 1 and no WAV file. docs/notation.md explains the
// convention to its readers under "About the examples in this guide".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/scratch.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const fs::path sourcedir = WAVELARK_SOURCE_DIR;

constexpr std::string_view fence = "```";
constexpr std::string_view runnable = "wavelark";
constexpr std::string_view failing = "wavelark-error";
// First line of a box: the content of channels.txt follows.
constexpr std::string_view channelsline = "; channels: ";
// Starts the next channel's file; the line itself stays in that file.
constexpr std::string_view channelmarker = "; --- channel";
// Trailing lines: what wavelark prints for the tune; not part of any file.
constexpr std::string_view printsline = "; prints: ";

std::vector<std::string> splitlines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// One fenced box of the guide whose info string names wavelark.
struct guideexample {
    int line = 0;  // the opening fence, counted from 1 as editors do
    std::string kind;
    std::vector<std::string> body;
};

std::vector<guideexample> examplesin(const std::string& text) {
    std::vector<guideexample> found;
    bool inside = false;
    bool keep = false;
    const std::vector<std::string> lines = splitlines(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (!line.starts_with(fence)) {
            if (inside && keep) found.back().body.push_back(line);
            continue;
        }
        if (inside) {
            inside = false;
            continue;
        }
        inside = true;
        const std::string info = line.substr(fence.size());
        keep = info.starts_with(runnable);
        if (keep) found.push_back({static_cast<int>(i + 1), info, {}});
    }
    return found;
}

std::vector<guideexample> guideexamples() {
    return examplesin(readfile(sourcedir / "docs" / "notation.md"));
}

// The tune folder a box stands for, and the lines running it should print.
struct tunefiles {
    std::string index = "1 0\n";
    std::vector<std::string> channels{""};
    std::vector<std::string> prints;
    std::string malformed;  // why the box breaks the convention, if it does
};

tunefiles tunefrom(const guideexample& box) {
    tunefiles tune;
    std::vector<std::string> body = box.body;
    while (!body.empty() && body.back().starts_with(printsline)) {
        tune.prints.insert(tune.prints.begin(), body.back().substr(printsline.size()));
        body.pop_back();
    }
    if (!body.empty() && body.front().starts_with(channelsline))
        tune.index = body.front().substr(channelsline.size()) + "\n";
    for (const std::string& line : body) {
        if (line.starts_with(channelmarker)) {
            const std::string number = line.substr(channelmarker.size());
            if (number != std::to_string(tune.channels.size()))
                tune.malformed =
                    "'" + line + "' should name channel " + std::to_string(tune.channels.size());
            tune.channels.emplace_back();
        }
        tune.channels.back() += line + "\n";
    }
    return tune;
}

// Everything the run printed, standard output and error together, as sorted
// lines: the two streams interleave in no fixed order.
std::vector<std::string> printedlines(const runresult& r) {
    std::vector<std::string> lines = splitlines(r.out);
    const std::vector<std::string> errlines = splitlines(r.err);
    lines.insert(lines.end(), errlines.begin(), errlines.end());
    std::sort(lines.begin(), lines.end());
    return lines;
}

class GuideExample : public ::testing::TestWithParam<guideexample> {};

TEST_P(GuideExample, RendersOrFailsExactlyAsTheGuideShows) {
    const guideexample& box = GetParam();
    const tunefiles tune = tunefrom(box);
    ASSERT_TRUE(tune.malformed.empty())
        << "docs/notation.md:" << box.line << ": " << tune.malformed;

    scratchdir dir;
    dir.tune("tune", tune.index, tune.channels);
    const runresult r = runwavelark({"-d", "tune", "-o", "out.wav", "-16"}, dir.path());
    const fs::path wav = dir.path() / "out.wav";

    std::vector<std::string> expected = tune.prints;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(printedlines(r), expected) << "docs/notation.md:" << box.line;

    if (box.kind == failing) {
        EXPECT_EQ(r.status, 1) << "docs/notation.md:" << box.line;
        EXPECT_FALSE(tune.prints.empty())
            << "docs/notation.md:" << box.line << ": an error box must show its message";
        EXPECT_FALSE(fs::exists(wav)) << "docs/notation.md:" << box.line;
        return;
    }
    ASSERT_EQ(r.status, 0) << "docs/notation.md:" << box.line << "\n" << r.out << r.err;
    const std::uintmax_t size = fs::file_size(wav);
    const wavfile w = readwav(wav);
    ASSERT_EQ(w.header.size(), 44u) << "docs/notation.md:" << box.line;
    EXPECT_EQ(std::string(w.header.begin(), w.header.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(w.header.begin() + 8, w.header.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(w.riffsize, size - 8);
    EXPECT_EQ(w.datasize, size - 44);
    EXPECT_EQ(w.bits, 16);
}

std::string examplename(const ::testing::TestParamInfo<guideexample>& info) {
    const std::string kind = info.param.kind == failing ? "error" : "tune";
    return kind + "_at_line_" + std::to_string(info.param.line);
}

INSTANTIATE_TEST_SUITE_P(NotationGuide, GuideExample, ::testing::ValuesIn(guideexamples()),
                         examplename);

TEST(NotationGuide, MarksRunnableAndErrorExamplesOnlyWithTheKnownInfoStrings) {
    const std::vector<guideexample> boxes = guideexamples();
    int tunes = 0;
    int errors = 0;
    for (const guideexample& box : boxes) {
        EXPECT_TRUE(box.kind == runnable || box.kind == failing)
            << "docs/notation.md:" << box.line << ": unknown info string '" << box.kind << "'";
        tunes += box.kind == runnable;
        errors += box.kind == failing;
    }
    EXPECT_GT(tunes, 0) << "no runnable example found in docs/notation.md";
    EXPECT_GT(errors, 0) << "no error example found in docs/notation.md";
}

TEST(NotationGuide, ConventionSplitsABoxIntoIndexChannelFilesAndPrintedLines) {
    const guideexample box{
        1,
        std::string(failing),
        {"; channels: 2 0 3", "c1", "; --- channel1", "q1", "; prints: first", "; prints: second"}};
    const tunefiles tune = tunefrom(box);
    EXPECT_EQ(tune.index, "2 0 3\n");
    EXPECT_EQ(tune.channels,
              (std::vector<std::string>{"; channels: 2 0 3\nc1\n", "; --- channel1\nq1\n"}));
    EXPECT_EQ(tune.prints, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(tune.malformed.empty());

    const tunefiles plain = tunefrom({1, std::string(runnable), {"c1"}});
    EXPECT_EQ(plain.index, "1 0\n");
    EXPECT_EQ(plain.channels, (std::vector<std::string>{"c1\n"}));

    const tunefiles skipped = tunefrom({1, std::string(runnable), {"c1", "; --- channel2"}});
    EXPECT_FALSE(skipped.malformed.empty());
}

// Every option the help text explains must have its own entry in the
// manual page: a ".B" or ".BI" line that starts with the option.
TEST(ManualPage, DocumentsEveryOptionOfTheHelpText) {
    const std::string page = readfile(sourcedir / "docs" / "wavelark.1");
    ASSERT_FALSE(page.empty()) << "docs/wavelark.1 is missing";
    std::vector<std::string> entries;
    for (const std::string& line : splitlines(page)) {
        std::istringstream words(line);
        std::string macro;
        std::string first;
        if (words >> macro >> first && (macro == ".B" || macro == ".BI")) entries.push_back(first);
    }
    scratchdir dir;
    const runresult help = runwavelark({"-h"}, dir.path());
    ASSERT_EQ(help.status, 0);
    int options = 0;
    for (const std::string& line : splitlines(help.out)) {
        if (!line.starts_with("-")) continue;
        ++options;
        // groff writes a literal minus as "\-".
        std::string option = "\\";
        option.append(line, 0, line.find(' '));
        EXPECT_NE(std::find(entries.begin(), entries.end(), option), entries.end())
            << "docs/wavelark.1 has no entry for " << option;
    }
    EXPECT_GT(options, 0);
    for (const char* section :
         {".SH NAME", ".SH SYNOPSIS", ".SH DESCRIPTION", ".SH OPTIONS", ".SH \"EXIT STATUS\"",
          ".SH FILES", ".SH EXAMPLES", ".SH \"SEE ALSO\""})
        EXPECT_NE(page.find(section), std::string::npos) << "docs/wavelark.1 lacks " << section;
}

}  // namespace
