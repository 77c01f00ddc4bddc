// Where a run's WAV goes: a whole file or none, no temporary left behind in
// any ending, one clear message for every file that cannot be written.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "driver/output.h"
#include "support/scratch.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A run of the binary with more control than runwavelark gives: its own
// temporary folder, a file size limit, standard output into a pipe that
// nobody reads.
struct launch {
    std::vector<std::string> args;
    fs::path cwd;
    fs::path tmpdir;  // TMPDIR of the run
    rlim_t filesizelimit = RLIM_INFINITY;
    bool ignorefilesize = false;  // SIGXFSZ ignored: an over-long write fails instead
    bool deafstdout = false;      // standard output is a pipe with no reader
    rlim_t memorylimit = RLIM_INFINITY;  // bytes of address space
};

class running {
public:
    explicit running(const launch& how) {
        int deaf[2] = {-1, -1};
        if (how.deafstdout) {
            if (::pipe(deaf) != 0) throw std::runtime_error("pipe failed");
            ::close(deaf[0]);  // before the fork: the very first write finds no reader
        }
        child = ::fork();
        if (child == 0) {
            if (::chdir(how.cwd.c_str()) != 0) ::_exit(127);
            if (!how.tmpdir.empty()) ::setenv("TMPDIR", how.tmpdir.c_str(), 1);
            if (how.deafstdout) {
                ::dup2(deaf[1], STDOUT_FILENO);
                ::close(deaf[1]);
            } else if (!std::freopen(outpath().c_str(), "w", stdout)) {
                ::_exit(127);
            }
            if (!std::freopen(errpath().c_str(), "w", stderr)) ::_exit(127);
            if (how.ignorefilesize) std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{how.filesizelimit, how.filesizelimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(127);
            if (how.memorylimit != RLIM_INFINITY) {
                // Thread stacks take the stack limit's size: a known one.
                const rlimit stack{8 << 20, 8 << 20};
                const rlimit memory{how.memorylimit, how.memorylimit};
                if (::setrlimit(RLIMIT_STACK, &stack) != 0) ::_exit(127);
                if (::setrlimit(RLIMIT_AS, &memory) != 0) ::_exit(127);
            }
            std::string binary = WAVELARK_BINARY;
            std::vector<std::string> copies(how.args);
            std::vector<char*> argv = {binary.data()};
            for (auto& a : copies) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(binary.c_str(), argv.data());
            ::_exit(127);
        }
        if (how.deafstdout) ::close(deaf[1]);
    }

    pid_t pid() const { return child; }

    runresult wait() const {
        int status = 0;
        ::waitpid(child, &status, 0);
        runresult result;
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = readfile(outpath());
        result.err = readfile(errpath());
        return result;
    }

private:
    fs::path outpath() const { return streams.path() / "stdout"; }
    fs::path errpath() const { return streams.path() / "stderr"; }

    scratchdir streams;
    pid_t child = -1;
};

runresult start(const launch& how) { return running(how).wait(); }

// The largest resident set so far of a live process, in KiB; 0 once it has
// ended.
long peakkib(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// What a run writes into the FIFO `fifo`, read as it comes; `peak` gets the
// run's largest resident set seen while it was writing.
struct fiforeader {
    std::string received;
    long peak = 0;
    std::thread reader;

    fiforeader(const fs::path& fifo, pid_t writer) {
        reader = std::thread([this, fifo, writer] {
            const int fd = ::open(fifo.c_str(), O_RDONLY);
            if (fd < 0) return;
            std::vector<char> chunk(1 << 16);
            for (;;) {
                const ssize_t got = ::read(fd, chunk.data(), chunk.size());
                if (got <= 0) break;
                received.append(chunk.data(), static_cast<std::size_t>(got));
                // A writer still running shows its peak so far; one that has ended, 0.
                peak = std::max(peak, peakkib(writer));
            }
            ::close(fd);
        });
    }
    // Waits for the end of the data; releases the reader should the run have
    // ended without opening the FIFO.
    void join(const fs::path& fifo) {
        const int release = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (release >= 0) ::close(release);
        reader.join();
    }
};

// A scratch folder with a tune, a temporary folder for the runs and,
// optionally, an earlier output that a failed run must leave alone.
struct workplace {
    scratchdir dir;
    fs::path tmp;
    static constexpr const char* previous = "an earlier render, not to be touched\n";

    explicit workplace(const std::string& channel) {
        dir.tune("tune", "1 0\n", {channel});
        tmp = dir.path() / "tmp";
        fs::create_directory(tmp);
    }
    void keepprevious(const std::string& name = "out.wav") const { dir.write(name, previous); }
    launch run(std::vector<std::string> args) const { return {std::move(args), dir.path(), tmp}; }
    std::vector<std::string> entries() const { return scratchdir::entries(dir.path()); }
    bool tmpempty() const { return fs::is_empty(tmp); }
};

// Seven seconds of 16-bit square: more data than the writer holds in memory
// at once, so some of it has reached the temporary file.
const std::string sevenseconds = "o4a7";
// Seven seconds of square, then a notation error.
const std::string brokenlate = "o4a7 !";
const std::string brokenmessage = "ERROR: invalid syntax at character 5 of line 0 of channel 0\n";

std::vector<std::uint8_t> reference(const std::string& channel, bool sixteen) {
    scratchdir dir;
    dir.tune("tune", "1 0\n", {channel});
    std::vector<std::string> args = {"-o", "reference.wav"};
    if (sixteen) args.push_back("-16");
    const runresult r = runwavelark(args, dir.path());
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    return readbytes(dir.path() / "reference.wav");
}

}  // namespace

TEST(Output, NotationErrorMidRenderLeavesNoFileAndTheOldOutputAlone) {
    for (const bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "over an earlier output" : "to a new name");
        workplace w(brokenlate);
        if (existing) w.keepprevious();
        const runresult o = start(w.run({"-16", "-o", "out.wav"}));
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.out, brokenmessage);
        EXPECT_EQ(o.err, "");
        const std::vector<std::string> after =
            existing ? std::vector<std::string>{"out.wav", "tmp", "tune"}
                     : std::vector<std::string>{"tmp", "tune"};
        EXPECT_EQ(w.entries(), after);
        EXPECT_TRUE(w.tmpempty());
        if (existing) {
            EXPECT_EQ(readfile(w.dir.path() / "out.wav"), workplace::previous);
        }
    }
}

// The new file takes the old one's place by name: a second name for the old
// file still shows the old content, and the permissions carry over.
TEST(Output, SuccessReplacesTheOldOutputByNameAndKeepsItsPermissions) {
    workplace w(sevenseconds);
    w.keepprevious();
    fs::create_hard_link(w.dir.path() / "out.wav", w.dir.path() / "second.wav");
    fs::permissions(w.dir.path() / "out.wav", fs::perms(0640));
    const runresult o = start(w.run({"-16", "-o", "out.wav"}));
    ASSERT_EQ(o.status, 0) << o.out << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(readbytes(w.dir.path() / "out.wav"), reference(sevenseconds, true));
    EXPECT_EQ(readfile(w.dir.path() / "second.wav"), workplace::previous);
    EXPECT_EQ(fs::status(w.dir.path() / "out.wav").permissions(), fs::perms(0640));
    EXPECT_EQ(w.entries(), (std::vector<std::string>{"out.wav", "second.wav", "tmp", "tune"}));
    EXPECT_TRUE(w.tmpempty());
}

// Paths that fail even for root, who passes every permission check: a
// regular file where a folder must be, a folder that does not exist, a
// folder in the file's place, and a device that is always full.
TEST(Output, UnwritableOutputGetsOneMessageNamingPathAndReason) {
    struct failing {
        std::string outfile;
        std::string err;
    };
    const std::vector<failing> cases = {
        {"plain/out.wav", "wavelark: cannot create output file 'plain/out.wav': Not a directory\n"},
        {"missing/out.wav",
         "wavelark: cannot create output file 'missing/out.wav': No such file or directory\n"},
        {"folder", "wavelark: cannot write output file 'folder': Is a directory\n"},
        {"/dev/full", "wavelark: cannot write output file '/dev/full': No space left on device\n"},
    };
    for (const failing& c : cases) {
        SCOPED_TRACE(c.outfile);
        workplace w("o4a1");
        w.keepprevious("plain");
        fs::create_directory(w.dir.path() / "folder");
        const std::vector<std::string> before = w.entries();
        const runresult o = start(w.run({"-o", c.outfile}));
        EXPECT_EQ(o.status, 1);
        EXPECT_EQ(o.out, "");
        EXPECT_EQ(o.err, c.err);
        EXPECT_EQ(w.entries(), before);
        EXPECT_TRUE(fs::is_empty(w.dir.path() / "folder"));
        EXPECT_EQ(readfile(w.dir.path() / "plain"), workplace::previous);
        EXPECT_TRUE(w.tmpempty());
    }
}

// A file size limit makes writing the temporary file fail part way: with
// the limit's signal ignored the write reports the error, otherwise the
// signal ends the run. Neither leaves the temporary file or harms the old
// output.
TEST(Output, FailedTemporaryWriteLeavesNoFileAndTheOldOutputAlone) {
    for (const bool ignored : {true, false}) {
        SCOPED_TRACE(ignored ? "write fails" : "signal ends the run");
        workplace w(sevenseconds);
        w.keepprevious();
        launch how = w.run({"-16", "-o", "out.wav"});
        how.filesizelimit = 1 << 16;
        how.ignorefilesize = ignored;
        const runresult o = start(how);
        if (ignored) {
            EXPECT_EQ(o.status, 1);
            EXPECT_TRUE(std::regex_match(
                o.err, std::regex("wavelark: cannot write output file 'out\\.wav': File too large\n")))
                << o.err;
        } else {
            EXPECT_EQ(o.status, 128 + SIGXFSZ);
        }
        EXPECT_EQ(w.entries(), (std::vector<std::string>{"out.wav", "tmp", "tune"}));
        EXPECT_EQ(readfile(w.dir.path() / "out.wav"), workplace::previous);
    }
}

// The file is written in the background while the tune renders; where the
// address space has no room for another thread's stack, it is written in
// the foreground instead, whole and the same.
TEST(Output, WithoutRoomForAWriterThreadStillWritesTheWholeFile) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs far more address space than the limit";
#endif
    workplace w(sevenseconds);
    launch how = w.run({"-16", "-o", "out.wav"});
    how.memorylimit = 14 << 20;
    const runresult o = start(how);
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(readbytes(w.dir.path() / "out.wav"), reference(sevenseconds, true));
    EXPECT_EQ(w.entries(), (std::vector<std::string>{"out.wav", "tmp", "tune"}));
}

// A reader of standard output that has gone away ends the run with SIGPIPE
// as the error message is printed; the temporary file goes all the same.
TEST(Output, LostStandardOutputReaderLeavesNoTemporaryFile) {
    workplace w(brokenlate);
    launch how = w.run({"-16", "-o", "out.wav"});
    how.deafstdout = true;
    const runresult o = start(how);
    EXPECT_EQ(o.status, 128 + SIGPIPE);
    EXPECT_EQ(w.entries(), (std::vector<std::string>{"tmp", "tune"}));
}

// An ignored hang-up (as under nohup) must not end the run; a termination
// request does, and takes the temporary file with it.
TEST(OutputDeathTest, SignalsEndTheRunOnlyWhenNotIgnoredAndRemoveTheTemporary) {
    scratchdir dir;
    const std::string out = (dir.path() / "out.wav").string();
    EXPECT_EXIT(
        {
            std::signal(SIGHUP, SIG_IGN);
            outputfile file(out);
            std::raise(SIGHUP);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_TRUE(scratchdir::entries(dir.path()).empty());
    EXPECT_EXIT(
        {
            std::signal(SIGTERM, SIG_DFL);
            outputfile file(out);
            std::raise(SIGTERM);
            std::exit(0);
        },
        ::testing::KilledBySignal(SIGTERM), "");
    EXPECT_TRUE(scratchdir::entries(dir.path()).empty());
}

TEST(Output, FifoReceivesTheWholeFile) {
    workplace w(sevenseconds);
    const fs::path fifo = w.dir.path() / "pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const running run(w.run({"-16", "-o", "pipe.wav"}));
    fiforeader reader(fifo, run.pid());
    const runresult r = run.wait();
    reader.join(fifo);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    const std::vector<std::uint8_t> expected = reference(sevenseconds, true);
    EXPECT_EQ(reader.received, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(w.entries(), (std::vector<std::string>{"pipe.wav", "tmp", "tune"}));
    EXPECT_TRUE(w.tmpempty());
}

TEST(Output, StandardOutputReceivesTheWholeFile) {
    scratchdir dir;
    dir.tune("tune", "1 0\n", {sevenseconds});
    const runresult r = runwavelark({"-o", "/dev/stdout"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::uint8_t> expected = reference(sevenseconds, false);
    EXPECT_EQ(r.out, std::string(expected.begin(), expected.end()));
    EXPECT_EQ(scratchdir::entries(dir.path()), std::vector<std::string>{"tune"});
}

// The rendered data streams through fixed buffers, into the temporary file
// and from it behind the header: a tune thirty times as long needs no more
// memory, though its data is five megabytes larger. Writing into a FIFO keeps
// the run alive until its last bytes are read, so its memory can be watched
// to the end.
TEST(Output, MemoryDoesNotGrowWithTheLengthOfTheTune) {
    auto peak = [](const std::string& channel) {
        workplace w(channel);
        const fs::path fifo = w.dir.path() / "pipe.wav";
        EXPECT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const running run(w.run({"-16", "-o", "pipe.wav"}));
        fiforeader reader(fifo, run.pid());
        const runresult r = run.wait();
        reader.join(fifo);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_GT(reader.peak, 0);
        return std::pair{reader.peak, reader.received.size()};
    };
    const auto [small, smallbytes] = peak("o4a1");
    const auto [large, largebytes] = peak("o4a30");
    ASSERT_GT(largebytes, smallbytes + 5'000'000u);
    EXPECT_LT(large - small, 2048) << small << " KiB vs " << large << " KiB";
}
