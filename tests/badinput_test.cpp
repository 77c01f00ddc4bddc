// Bad input of every kind, given to the real binary: each run must end with
// status 1 and exactly one clear message, leave no temporary file behind,
// and leave an output file from an earlier run byte for byte as it was.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "renderer/wavelark.h"
#include "support/scratch.h"

using namespace testing_support;

namespace {

namespace fs = std::filesystem;

// What an earlier run left at the output path.
const std::string earlieroutput = "RIFF of an earlier run, which a failed run must keep\n";

// The messages of the notation errors.
const std::string envelopesyntax =
    "use '/' to separate volume envelope rise/run or '~' to separate depth/width for tremolo; "
    "no spaces allowed between specifer and value";
const std::string sweepsyntax =
    "use '/' to separate frequency sweep rise/run or '~' to separate depth/width for vibrato; "
    "no spaces allowed between specifer and value";
const std::string inflectionsyntax =
    "inflection should be a decimal value between 0 and 1 with a leading decimal point, e.g. "
    "'.25' or '.5'; no spaces allowed between specifer and value";
const std::string pansyntax =
    "panning should be a decimal value between 0 and 1 with a leading decimal point, e.g. "
    "'.25' or '.5'";

using preparation = std::function<void(const scratchdir&)>;

// A one-channel square-wave tune holding `notation`.
preparation onechannel(const std::string& notation) {
    return [notation](const scratchdir& dir) { dir.tune("tune", "1 0\n", {notation}); };
}

// A tune whose channels.txt holds `index`, with four channel files that
// would play if the index let them.
preparation index(const std::string& text) {
    return [text](const scratchdir& dir) {
        dir.tune("tune", text, {"l10c1", "l10c1", "l10c1", "l10c1"});
    };
}

// A one-channel tune whose `name` is replaced by `make`'s entry.
preparation replacing(const std::string& name, std::function<void(const fs::path&)> make) {
    return [name, make](const scratchdir& dir) {
        dir.tune("tune", "1 0\n", {"l10c1"});
        const fs::path entry = dir.path() / "tune" / name;
        fs::remove(entry);
        make(entry);
    };
}

void directory(const fs::path& at) { fs::create_directory(at); }
void dangling(const fs::path& at) { fs::create_symlink("nowhere", at); }
void selfloop(const fs::path& at) { fs::create_symlink(at.filename(), at); }
// Opens for every user but fails on the first read, with an I/O error.
void unreadable(const fs::path& at) { fs::create_symlink("/proc/self/mem", at); }

// The one message a run must print.
struct message {
    std::string out;       // standard output, exactly
    std::string err;       // standard error, exactly, or the pattern it matches
    bool pattern = false;  // for messages that name a temporary or vary in wording
};
message onstdout(const std::string& text) { return {text, "", false}; }
message onstderr(const std::string& text) { return {"", text, false}; }
message onstderrlike(const std::string& pattern) { return {"", pattern, true}; }

struct badcase {
    const char* name;
    preparation prepare;
    message expected;
    std::vector<std::string> args;
};

// Points the runs' TMPDIR at a folder of the test, so that a temporary file
// left there is seen. The child of runwavelark inherits the environment.
class tmpdirfor {
public:
    explicit tmpdirfor(const fs::path& dir) {
        if (const char* value = std::getenv("TMPDIR")) previous = value;
        ::setenv("TMPDIR", dir.c_str(), 1);
    }
    ~tmpdirfor() {
        if (previous)
            ::setenv("TMPDIR", previous->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    tmpdirfor(const tmpdirfor&) = delete;
    tmpdirfor& operator=(const tmpdirfor&) = delete;

private:
    std::optional<std::string> previous;
};

std::vector<std::string> temporaries(const fs::path& dir) {
    std::vector<std::string> found;
    std::error_code missing;
    for (const auto& entry : fs::directory_iterator(dir, missing))
        if (entry.path().filename().string().starts_with(".wavelark-"))
            found.push_back(entry.path().filename());
    return found;
}

// Runs wavelark on a prepared scratch folder that holds an earlier out.wav,
// and checks everything a failed run must leave as it was.
void expectcleanfailure(const scratchdir& dir, const badcase& c,
                        const fs::path& outputdir = fs::path()) {
    const fs::path tmp = dir.path() / "tmp";
    fs::create_directory(tmp);
    runresult r;
    {
        tmpdirfor redirect(tmp);
        r = runwavelark(c.args, dir.path());
    }
    EXPECT_EQ(r.status, fatalstatus);
    EXPECT_EQ(r.out, c.expected.out);
    if (c.expected.pattern) {
        EXPECT_TRUE(std::regex_match(r.err, std::regex(c.expected.err))) << r.err;
    } else {
        EXPECT_EQ(r.err, c.expected.err);
    }
    EXPECT_EQ(readfile(dir.path() / "out.wav"), earlieroutput);
    EXPECT_EQ(temporaries(dir.path()), std::vector<std::string>{});
    if (!outputdir.empty()) {
        EXPECT_EQ(temporaries(outputdir), std::vector<std::string>{}) << outputdir;
    }
    EXPECT_EQ(scratchdir::entries(tmp), std::vector<std::string>{});
}

class BadInput : public ::testing::TestWithParam<badcase> {};

const std::vector<std::string> defaultargs = {"-d", "tune", "-o", "out.wav"};

message notationerror(const std::string& text, int character, int line, int channel = 0) {
    return onstdout("ERROR: " + text + " at character " + std::to_string(character) + " of line " +
                    std::to_string(line) + " of channel " + std::to_string(channel) + "\n");
}
const message badcount =
    onstderr("ERROR- Missing or unreadable channel count in file tune/channels.txt\n");
message badwavetype(int channel) {
    return onstderr("ERROR- Missing or unreadable wave type for channel " +
                    std::to_string(channel) + " in file tune/channels.txt\n");
}

std::vector<std::string> in(const std::string& tunedir) { return {"-d", tunedir, "-o", "out.wav"}; }
std::vector<std::string> to(const std::string& outfile) { return {"-d", "tune", "-o", outfile}; }
void nothing(const scratchdir&) {}
void afile(const scratchdir& dir) { dir.write("afile", "l10c1"); }

const badcase badcases[] = {
    // The tune folder and its files.
    {"TuneFolderMissing", nothing, onstderr("ERROR- Failed to find file nowhere/channels.txt\n"),
     in("nowhere")},
    {"TuneFolderIsAFile", afile, onstderr("ERROR- Failed to find file afile/channels.txt\n"),
     in("afile")},
    {"TuneFolderUnderAFile", afile,
     onstderr("ERROR- Failed to find file afile/tune/channels.txt\n"), in("afile/tune")},
    {"TuneFolderPathTooLong", nothing,
     onstdout("Directory path too long.  Please restrict to 256 characters or fewer.\n"),
     in(std::string(257, 'd'))},
    {"IndexMissing", replacing("channels.txt", [](const fs::path&) {}),
     onstderr("ERROR- Failed to find file tune/channels.txt\n"), defaultargs},
    {"IndexIsAFolder", replacing("channels.txt", directory),
     onstderr("ERROR- Failed to find file tune/channels.txt\n"), defaultargs},
    {"IndexIsADanglingLink", replacing("channels.txt", dangling),
     onstderr("ERROR- Failed to find file tune/channels.txt\n"), defaultargs},
    {"IndexIsALinkToItself", replacing("channels.txt", selfloop),
     onstderr("ERROR- Failed to find file tune/channels.txt\n"), defaultargs},
    {"IndexFailsToRead", replacing("channels.txt", unreadable),
     onstderr("ERROR- Missing or unreadable channel count in file tune/channels.txt\n"),
     defaultargs},
    {"ChannelMissing",
     [](const scratchdir& dir) {
         dir.tune("tune", "3 0 0 0\n", {"l10c1", "l10c1"});
     },
     onstderr("ERROR- Failed to find file tune/channel2.wlk\n"), defaultargs},
    {"ChannelIsAFolder", replacing("channel0.wlk", directory),
     onstderr("ERROR- Failed to find file tune/channel0.wlk\n"), defaultargs},
    {"ChannelIsADanglingLink", replacing("channel0.wlk", dangling),
     onstderr("ERROR- Failed to find file tune/channel0.wlk\n"), defaultargs},
    {"ChannelFailsToRead", replacing("channel0.wlk", unreadable),
     onstderr("ERROR- Failed to read file tune/channel0.wlk\n"), defaultargs},

    // channels.txt that gives no usable count or wave type.
    {"IndexEmpty", index(""), badcount, defaultargs},
    {"IndexBlanksOnly", index(" \n\t\n"), badcount, defaultargs},
    {"IndexNegative", index("-1 0\n"),
     onstderr("ERROR- Negative channel count -1 in file tune/channels.txt\n"), defaultargs},
    {"IndexLowestInteger", index("-2147483648\n"),
     onstderr("ERROR- Negative channel count -2147483648 in file tune/channels.txt\n"),
     defaultargs},
    {"IndexNotANumber", index("two 0 0\n"), badcount, defaultargs},
    {"IndexCountTooLarge", index("99999999999999999999 0\n"), badcount, defaultargs},
    {"IndexThousandsOfDigits", index("1" + std::string(3000, '0') + " 0\n"), badcount, defaultargs},
    {"IndexBinary", index(std::string("\0\xff\x01", 3)), badcount, defaultargs},
    {"IndexTruncatedAfterCount", index("1"), badwavetype(0), defaultargs},
    {"IndexTruncatedAfterAWaveType", index("2 0\n"), badwavetype(1), defaultargs},
    {"IndexWaveTypeNotANumber", index("1 square\n"), badwavetype(0), defaultargs},
    {"IndexWaveTypeTooLarge", index("1 99999999999\n"), badwavetype(0), defaultargs},
    {"IndexNulBeforeWaveType", index(std::string("1\0 0\n", 5)), badwavetype(0), defaultargs},

    // Notation: every message, and bytes that are no notation at all.
    {"InvalidCharacter", onechannel("l10c4 x"), notationerror("invalid syntax", 6, 0), defaultargs},
    {"CarriageReturn", onechannel("l10c\r\nd"), notationerror("invalid syntax", 4, 0), defaultargs},
    {"Tab", onechannel("\tc"), notationerror("invalid syntax", 0, 0), defaultargs},
    {"BinaryGarbage", onechannel("\xff\xfe\x80"), notationerror("invalid syntax", 0, 0),
     defaultargs},
    {"NulByteAfterANote", onechannel(std::string("l10c\0", 5)),
     notationerror("invalid syntax", 4, 0), defaultargs},
    {"VeryLongLine", onechannel(std::string(100000, ' ') + "x"),
     notationerror("invalid syntax", 100000, 0), defaultargs},
    {"ManyLines", onechannel(std::string(50000, '\n') + "x"),
     notationerror("invalid syntax", 0, 50000), defaultargs},
    {"PitchOutOfRange", onechannel("o7c"), notationerror("pitch out of range", 3, 0), defaultargs},
    // 3000 nines wrap to an octave of -1.
    {"OctaveOfThousandsOfDigits", onechannel("o" + std::string(3000, '9') + "c"),
     notationerror("pitch out of range", 3002, 0), defaultargs},
    {"ThousandsOfLeadingZerosThenAnError", onechannel("l" + std::string(3000, '0') + "5c1 x"),
     notationerror("invalid syntax", 3005, 0), defaultargs},
    {"RawPeriodWithoutParenthesis", onechannel("w100"),
     notationerror("w takes positive int argument in ()s", 1, 0), defaultargs},
    {"RawPeriodNotClosed", onechannel("w(100 4"), notationerror("must close w ()s", 5, 0),
     defaultargs},
    {"EnvelopeWithABlank", onechannel("n5 /3"), notationerror(envelopesyntax, 2, 0), defaultargs},
    {"EnvelopeAtTheEnd", onechannel("n"), notationerror(envelopesyntax, 1, 0), defaultargs},
    {"SweepWithAColon", onechannel("s5:3"), notationerror(sweepsyntax, 2, 0), defaultargs},
    {"InflectionWithoutPoint", onechannel("i5"), notationerror(inflectionsyntax, 1, 0),
     defaultargs},
    {"PanWithABlank", onechannel("p .5"), notationerror(pansyntax, 1, 0), defaultargs},
    {"ErrorInALaterChannel",
     [](const scratchdir& dir) {
         dir.tune("tune", "2 0 1\n", {"l10c1", "l10c1 x"});
     },
     notationerror("invalid syntax", 6, 0, 1), defaultargs},

    // Output paths that cannot be written. The driver's messages name the
    // path and the system's reason; their verb is the driver's own.
    {"OutputInAMissingFolder", onechannel("l10c1"),
     onstderrlike("wavelark: cannot [a-z ]+ 'nowhere/out\\.wav': No such file or directory\\n"),
     to("nowhere/out.wav")},
    {"OutputUnderAFile",
     [](const scratchdir& dir) {
         dir.tune("tune", "1 0\n", {"l10c1"});
         afile(dir);
     },
     onstderrlike("wavelark: cannot [a-z ]+ 'afile/out\\.wav': Not a directory\\n"),
     to("afile/out.wav")},
    {"OutputIsAFolder",
     [](const scratchdir& dir) {
         dir.tune("tune", "1 0\n", {"l10c1"});
         fs::create_directory(dir.path() / "afolder");
     },
     onstderrlike("wavelark: cannot [a-z ]+ 'afolder': Is a directory\\n"), to("afolder")},
    // A device is written through from an unnamed temporary in TMPDIR.
    {"OutputIsAFullDevice", onechannel("l10c1"),
     onstderrlike("wavelark: cannot [a-z ]+ '/dev/full': No space left on device\\n"),
     to("/dev/full")},
};

}  // namespace

TEST_P(BadInput, EndsWithOneMessageAndLeavesNothingBehind) {
    const badcase& c = GetParam();
    scratchdir dir;
    dir.write("out.wav", earlieroutput);
    c.prepare(dir);
    expectcleanfailure(dir, c);
}

INSTANTIATE_TEST_SUITE_P(Cases, BadInput, ::testing::ValuesIn(badcases),
                         [](const auto& info) { return std::string(info.param.name); });

// Without read rights on a file or search rights on the folder, the file
// cannot be found. A process that reads regardless of the rights (root) gets
// no such failure, and the case is skipped.
TEST(BadInput, AFileWithoutReadRightsEndsWithOneMessage) {
    struct rightscase {
        const char* entry;
        std::string err;
    };
    const rightscase cases[] = {
        {"tune", "ERROR- Failed to find file tune/channels.txt\n"},
        {"tune/channels.txt", "ERROR- Failed to find file tune/channels.txt\n"},
        {"tune/channel0.wlk", "ERROR- Failed to find file tune/channel0.wlk\n"},
    };
    for (const rightscase& c : cases) {
        SCOPED_TRACE(c.entry);
        scratchdir dir;
        dir.write("out.wav", earlieroutput);
        dir.tune("tune", "1 0\n", {"l10c1"});
        const fs::path entry = dir.path() / c.entry;
        fs::permissions(entry, fs::perms::none);
        const fs::path probe = fs::is_directory(entry) ? entry / "channels.txt" : entry;
        if (::access(probe.c_str(), R_OK) == 0) {
            fs::permissions(entry, fs::perms::owner_all);
            GTEST_SKIP() << "this process reads files without read rights (running as root)";
        }
        expectcleanfailure(dir, badcase{"", nullptr, onstderr(c.err), defaultargs});
        fs::permissions(entry, fs::perms::owner_all);
    }
}

// A disk that fills up while the tune is rendered: a tmpfs of 64 KiB in a
// mount namespace of this test process, so that no mount outlives it.
TEST(BadInput, AFullDiskKeepsTheEarlierOutputAndLeavesNoTemporary) {
    scratchdir dir;
    const fs::path disk = dir.path() / "disk";
    fs::create_directory(disk);
    if (::unshare(CLONE_NEWNS) != 0 ||
        ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    struct unmount {
        fs::path at;
        ~unmount() { ::umount2(at.c_str(), MNT_DETACH); }
    } unmountatend{disk};

    dir.write("out.wav", earlieroutput);
    dir.write("disk/out.wav", earlieroutput);
    // Two seconds of 8-bit frames: 176400 bytes, more than the disk holds.
    dir.tune("tune", "1 0\n", {"c2"});
    const badcase full{
        "", nullptr,
        onstderrlike(
            "wavelark: cannot write output file 'disk/out\\.wav': No space left on device\\n"),
        to("disk/out.wav")};
    expectcleanfailure(dir, full, disk);
    EXPECT_EQ(readfile(disk / "out.wav"), earlieroutput);
    EXPECT_EQ(scratchdir::entries(disk), std::vector<std::string>{"out.wav"});
}
