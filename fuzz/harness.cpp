#include "fuzz/harness.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>
#include <vector>

#include "generators/randombits.h"
#include "renderer/wavelark.h"

namespace fuzzing {

namespace {

namespace fs = std::filesystem;

// Every message a notation error may carry.
constexpr std::array<std::string_view, 8> notationmessages = {
    "invalid syntax",
    "pitch out of range",
    "w takes positive int argument in ()s",
    "must close w ()s",
    "use '/' to separate volume envelope rise/run or '~' to separate depth/width for tremolo; "
    "no spaces allowed between specifer and value",
    "use '/' to separate frequency sweep rise/run or '~' to separate depth/width for vibrato; "
    "no spaces allowed between specifer and value",
    "inflection should be a decimal value between 0 and 1 with a leading decimal point, e.g. "
    "'.25' or '.5'; no spaces allowed between specifer and value",
    "panning should be a decimal value between 0 and 1 with a leading decimal point, e.g. "
    "'.25' or '.5'",
};

// The loader's notices that let the run go on.
constexpr std::array<std::string_view, 2> loadernotices = {
    "Too many channels- ",
    "Requested wave type undefined.  Substituting square wave.",
};

// One call of parse8 or parse16.
struct blockstep {
    int n;
    bool sixteen;
};

// The first render of an input tries every block shape the renderer takes:
// full, odd, single values and an empty block, 8- and 16-bit alternating.
constexpr std::array<int, 6> exploringsizes = {4096, 4095, 1, 0, 2, 2048};
// Two more renders in one width cut the same number of values into blocks
// differently; a block boundary must not change a single value. A looping
// channel may reread its whole file before every frame, so looping runs
// render an eighth of the values.
constexpr std::array<int, 4> evensizes = {2048, 2048, 2048, 2048};
constexpr std::array<int, 5> unevensizes = {2, 2046, 4094, 6, 2044};
constexpr std::array<int, 4> evenloopsizes = {256, 256, 256, 256};
constexpr std::array<int, 5> unevenloopsizes = {2, 254, 510, 6, 252};
constexpr int loopdivisor = 8;

struct scratch {
    std::string root;
    std::string tune;
    std::string capture;

    scratch() {
        std::error_code ignored;
        fs::path base = fs::temp_directory_path(ignored);
        if (base.empty()) base = "/tmp";
        std::string pattern = (base / "wavelark-fuzz-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("wavelark fuzz: mkdtemp");
            std::abort();
        }
        root = pattern;
        tune = root + "/tune";
        capture = root + "/stdout";
        fs::create_directory(tune);
        // Standard output stays redirected for the life of the process:
        // libFuzzer reports on standard error.
        std::fflush(stdout);
        const int fd = ::open(capture.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (fd < 0 || ::dup2(fd, STDOUT_FILENO) < 0) {
            std::perror("wavelark fuzz: capture standard output");
            std::abort();
        }
        ::close(fd);
    }

    // Runs when the process exits normally; a crashed run leaves the folder
    // for inspection.
    ~scratch() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    static scratch& instance() {
        static scratch s;
        return s;
    }
};

// Standard output of the current run: emptied before, read back after.
void startcapture() {
    std::fflush(stdout);
    if (::ftruncate(STDOUT_FILENO, 0) != 0 || ::lseek(STDOUT_FILENO, 0, SEEK_SET) != 0) {
        std::perror("wavelark fuzz: reset captured output");
        std::abort();
    }
}

std::string endcapture() {
    std::fflush(stdout);
    std::string text;
    std::array<char, 4096> chunk{};
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(STDOUT_FILENO, chunk.data(), chunk.size(), at);
        if (got <= 0) break;
        text.append(chunk.data(), static_cast<std::size_t>(got));
        at += got;
    }
    return text;
}

struct runtext {
    std::string out;
    std::string err;
};

[[noreturn]] void violated(const std::string& what, const runtext& text) {
    std::fprintf(stderr, "\nwavelark fuzz check failed: %s\n", what.c_str());
    std::fprintf(stderr, "--- standard output ---\n");
    std::fwrite(text.out.data(), 1, text.out.size(), stderr);
    std::fprintf(stderr, "--- standard error ---\n");
    std::fwrite(text.err.data(), 1, text.err.size(), stderr);
    std::fprintf(stderr, "---\n");
    std::abort();
}

// The lines of a stream's text; every message ends with a line end.
std::vector<std::string> linesof(const std::string& text, const runtext& all) {
    std::vector<std::string> lines;
    if (text.empty()) return lines;
    if (text.back() != '\n') violated("a message does not end with a line end", all);
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

bool startswith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// "ERROR: <message> at character C of line L of channel H", checked whole.
void checknotationerror(const std::string& line, const renderplan& plan, const runtext& text) {
    constexpr std::string_view prefix = "ERROR: ";
    constexpr std::string_view position = " at character ";
    const std::size_t at = line.rfind(position);
    if (!startswith(line, prefix) || at == std::string::npos || at < prefix.size())
        violated("malformed notation error", text);
    const std::string_view message =
        std::string_view(line).substr(prefix.size(), at - prefix.size());
    if (std::find(notationmessages.begin(), notationmessages.end(), message) ==
        notationmessages.end())
        violated("unknown notation error message", text);
    long character = -1;
    long linenumber = -1;
    long channel = -1;
    int used = 0;
    const std::string tail = line.substr(at);
    if (std::sscanf(tail.c_str(), " at character %ld of line %ld of channel %ld%n", &character,
                    &linenumber, &channel, &used) != 3 ||
        static_cast<std::size_t>(used) != tail.size())
        violated("malformed notation error position", text);
    if (character < 0 || linenumber < 0) violated("negative notation error position", text);
    if (channel < 0 || channel >= plan.channels || channel >= maxchannels)
        violated("notation error names no channel", text);
    if (plan.boundpositions) {
        // A position may run two characters past the end: the look-ahead
        // stays on the last character while failed reads are still counted.
        const auto c = static_cast<std::size_t>(channel);
        if (static_cast<std::size_t>(linenumber) > plan.inputlines[c] ||
            static_cast<std::size_t>(character) > plan.inputbytes[c] + 2)
            violated("notation error position beyond the input", text);
    }
}

void checkmessages(bool fatal, const renderplan& plan, const runtext& text) {
    const std::vector<std::string> out = linesof(text.out, text);
    const std::vector<std::string> err = linesof(text.err, text);

    int loadererrors = 0;
    for (std::size_t i = 0; i < err.size(); ++i) {
        const std::string& line = err[i];
        if (startswith(line, "ERROR- ")) {
            ++loadererrors;
            if (i + 1 != err.size()) violated("a message follows a loader error", text);
            if (line.find(tunedir()) == std::string::npos)
                violated("a loader error names no file of the tune", text);
            continue;
        }
        const bool notice = std::any_of(loadernotices.begin(), loadernotices.end(),
                                        [&](std::string_view n) { return startswith(line, n); });
        if (!notice) violated("unexpected line on standard error", text);
    }

    if (!fatal) {
        if (loadererrors != 0) violated("a loader error did not stop the run", text);
        if (!out.empty()) violated("a run without error printed on standard output", text);
        return;
    }
    if (loadererrors + static_cast<int>(out.size()) != 1)
        violated("a stopped run did not print exactly one error", text);
    if (loadererrors == 0) checknotationerror(out.front(), plan, text);
}

// One render: whether it stopped on an error, its messages, and every value
// of the blocks it completed, 16-bit values widened.
struct outcome {
    bool fatal = false;
    runtext text;
    std::vector<std::int32_t> values;
};

[[noreturn]] void blockfault(const char* what) {
    std::fprintf(stderr, "\nwavelark fuzz check failed: %s\n", what);
    std::abort();
}

template <typename value>
void renderblock(wavelark& tune, int n, float gain, std::vector<std::int32_t>& values) {
    const bool endedbefore = tune.done();
    // Exactly n values on the heap, so that a store past the end is caught.
    std::vector<value> block(static_cast<std::size_t>(n));
    if constexpr (sizeof(value) == 2)
        tune.parse16(block.data(), n, gain);
    else
        tune.parse8(block.data(), n, gain);
    values.insert(values.end(), block.begin(), block.end());
    if (!endedbefore) return;
    if (!tune.done()) blockfault("done() went back to false");
    if (std::any_of(block.begin(), block.end(), [](value v) { return v != 0; }))
        blockfault("a block after the end holds sound");
}

outcome renderonce(const renderplan& plan, const std::vector<blockstep>& steps) {
    // The noise draws the same sequence in every render, as in a fresh
    // process, so an input replays exactly.
    steps::restartrandom();
    startcapture();
    std::stringbuf errors;
    std::streambuf* const realerr = std::cerr.rdbuf(&errors);
    outcome result;
    try {
        const std::string dir = tunedir() + plan.dirsuffix;
        wavelark tune(dir.c_str(), plan.loop);
        for (const blockstep& step : steps) {
            if (step.sixteen)
                renderblock<std::int16_t>(tune, step.n, plan.gain, result.values);
            else
                renderblock<std::uint8_t>(tune, step.n, plan.gain, result.values);
        }
    } catch (const fatalrun&) {
        result.fatal = true;
    }
    std::cerr.rdbuf(realerr);
    result.text = runtext{endcapture(), errors.str()};
    // WAVELARK_FUZZ_SHOW=1 shows every run's messages, e.g. when replaying
    // a corpus file by hand.
    static const bool show = std::getenv("WAVELARK_FUZZ_SHOW") != nullptr;
    if (show) {
        std::fprintf(stderr, "%s run of %zu values; standard output:\n",
                     result.fatal ? "stopped" : "complete", result.values.size());
        std::fwrite(result.text.out.data(), 1, result.text.out.size(), stderr);
        std::fprintf(stderr, "standard error:\n");
        std::fwrite(result.text.err.data(), 1, result.text.err.size(), stderr);
    }
    checkmessages(result.fatal, plan, result.text);
    return result;
}

template <std::size_t count>
std::vector<blockstep> steps(const std::array<int, count>& sizes, bool sixteen) {
    std::vector<blockstep> list;
    for (const int n : sizes) list.push_back({n, sixteen});
    return list;
}

}  // namespace

const std::string& tunedir() { return scratch::instance().tune; }

void cleartune() {
    for (const auto& entry : fs::directory_iterator(tunedir())) fs::remove_all(entry.path());
}

void writefile(const std::string& name, std::string_view content) {
    std::ofstream file(tunedir() + "/" + name, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!file) {
        std::perror("wavelark fuzz: write tune file");
        std::abort();
    }
}

void makedirectory(const std::string& name) { fs::create_directory(tunedir() + "/" + name); }

float gainfor(unsigned index) {
    constexpr std::array<float, 8> gains = {1.0f,
                                            0.9999999f,
                                            0.015625f,
                                            3.0f,
                                            -2.5f,
                                            1e30f,
                                            std::numeric_limits<float>::infinity(),
                                            std::numeric_limits<float>::quiet_NaN()};
    return gains[index % gains.size()];
}

void render(const renderplan& plan) {
    std::vector<blockstep> exploring;
    bool sixteen = plan.sixteenfirst;
    for (const int size : exploringsizes) {
        exploring.push_back({plan.loop && size > 2 ? size / loopdivisor : size, sixteen});
        sixteen = !sixteen;
    }
    renderonce(plan, exploring);

    const outcome even = renderonce(plan, plan.loop ? steps(evenloopsizes, plan.sixteenfirst)
                                                    : steps(evensizes, plan.sixteenfirst));
    const outcome uneven = renderonce(plan, plan.loop ? steps(unevenloopsizes, plan.sixteenfirst)
                                                      : steps(unevensizes, plan.sixteenfirst));
    if (even.fatal != uneven.fatal || even.text.out != uneven.text.out ||
        even.text.err != uneven.text.err)
        violated("blocks of other sizes changed how the run ended", uneven.text);
    // A stopped render keeps only its completed blocks: compare what both have.
    const std::size_t common = std::min(even.values.size(), uneven.values.size());
    if (!even.fatal && even.values.size() != uneven.values.size())
        blockfault("blocks of other sizes rendered another number of values");
    const auto [differs, unused] =
        std::mismatch(even.values.begin(), even.values.begin() + common, uneven.values.begin());
    (void)unused;
    if (differs != even.values.begin() + common) {
        std::fprintf(stderr, "\nvalue %td: %d in even blocks, %d in uneven blocks\n",
                     differs - even.values.begin(), *differs,
                     uneven.values[static_cast<std::size_t>(differs - even.values.begin())]);
        blockfault("a block boundary changed the rendered values");
    }
}

}  // namespace fuzzing
