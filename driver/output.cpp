#include "driver/output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "renderer/wavelark.h"

namespace {

constexpr std::size_t bufferbytes = std::size_t{1} << 20;
constexpr std::size_t headerbytes = 44;

// The named temporary file of the run, if any. A fatal notation error ends
// the process from deep inside rendering and a signal may end it anywhere;
// both must still remove the half-written file, so its name lives where an
// exit handler and a signal handler can reach it.
std::array<char, 4096> pending{};

void removepending() {
    if (pending[0] != '\0') ::unlink(pending.data());
    pending[0] = '\0';
}

extern "C" void onsignal(int sig) {
    if (pending[0] != '\0') ::unlink(pending.data());
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

// The signals that end a run by default: an interrupt, a hang-up, a reader
// of standard output that went away, a file size limit. One that the caller
// ignores (as under nohup) stays ignored: the run must not end on it.
void removeonsignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ}) {
        struct sigaction current {};
        if (::sigaction(sig, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction removing {};
        removing.sa_handler = onsignal;
        sigemptyset(&removing.sa_mask);
        ::sigaction(sig, &removing, nullptr);
    }
}

void setpending(const std::string& name) {
    static const bool registered = [] {
        std::atexit(removepending);
        removeonsignals();
        return true;
    }();
    (void)registered;
    if (name.size() >= pending.size()) return;
    std::memcpy(pending.data(), name.c_str(), name.size() + 1);
}

// Writes all of data; 0, or the errno of the failure.
int writefully(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

void writeall(int fd, const std::uint8_t* data, std::size_t size, const char* what,
              const std::string& path) {
    const int failure = writefully(fd, data, size);
    if (failure == 0) return;
    errno = failure;
    filefailure(what, path);
}

// The permissions a file created by an ordinary open would get.
mode_t newfilemode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

std::string directoryof(const std::string& path) {
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    return parent.empty() ? std::string(".") : parent.string();
}

}  // namespace

void filefailure(const char* what, const std::string& path) {
    const int reason = errno;
    std::cerr << "wavelark: cannot " << what << " '" << path << "': " << std::strerror(reason)
              << std::endl;
    failrun();
}

outputfile::outputfile(std::string target) : path(std::move(target)) {
    buffer.reserve(bufferbytes);
    spare.reserve(bufferbytes);
    struct stat existing {};
    const bool exists = ::lstat(path.c_str(), &existing) == 0;
    if (exists && S_ISDIR(existing.st_mode)) {
        errno = EISDIR;
        filefailure("write output file", path);
    }
    throughspecial = exists && !S_ISREG(existing.st_mode);

    if (throughspecial) {
        std::error_code ignored;
        std::filesystem::path dir = std::filesystem::temp_directory_path(ignored);
        if (dir.empty()) dir = "/tmp";
        std::string name = (dir / "wavelark-XXXXXX").string();
        fd = ::mkstemp(name.data());
        if (fd < 0) filefailure("create temporary file", name);
        ::unlink(name.c_str());
        tempname = name;
        datawhat = "write temporary file";
        dataname = name;
        return;
    }

    std::string name = directoryof(path) + "/.wavelark-XXXXXX";
    fd = ::mkstemp(name.data());
    if (fd < 0) filefailure("create output file", path);
    temppath = name;
    tempname = name;
    // The data goes straight into the file that becomes the output, so a
    // failure names the output the user asked for.
    datawhat = "write output file";
    dataname = path;
    setpending(temppath);
    const mode_t mode = exists ? (existing.st_mode & 07777) : newfilemode();
    if (::fchmod(fd, mode) != 0) filefailure("create output file", path);
    // Room for the header, written once the data size is known.
    buffer.assign(headerbytes, 0);
}

outputfile::~outputfile() {
    if (writing.valid()) writing.wait();
    if (fd >= 0) ::close(fd);
    if (!temppath.empty()) {
        ::unlink(temppath.c_str());
        pending[0] = '\0';
    }
}

// Hands the filled buffer to a writer in the background, so that the file
// is written while the next stretch of the tune renders.
void outputfile::flush() {
    awaitwrite();
    std::swap(buffer, spare);
    buffer.clear();
    try {
        writing = std::async(std::launch::async,
                             [this] { return writefully(fd, spare.data(), spare.size()); });
    } catch (const std::system_error&) {
        // No thread to be had (a memory or process limit): the data is
        // written here and now instead.
        writeall(fd, spare.data(), spare.size(), datawhat, dataname);
    }
}

// Waits for the background write, if any; a failed one ends the run here.
void outputfile::awaitwrite() {
    if (!writing.valid()) return;
    const int failure = writing.get();
    if (failure == 0) return;
    errno = failure;
    filefailure(datawhat, dataname);
}

void outputfile::write(const std::uint8_t* data, std::size_t size) {
    if (buffer.size() + size > bufferbytes) flush();
    if (size >= bufferbytes) {
        awaitwrite();
        writeall(fd, data, size, datawhat, dataname);
        return;
    }
    buffer.insert(buffer.end(), data, data + size);
}

void outputfile::copydatato(int target) {
    awaitwrite();
    if (::lseek(fd, 0, SEEK_SET) != 0) filefailure("read temporary file", tempname);
    buffer.resize(bufferbytes);
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) continue;
            filefailure("read temporary file", tempname);
        }
        if (got == 0) break;
        writeall(target, buffer.data(), static_cast<std::size_t>(got), "write output file", path);
    }
    buffer.clear();
}

void outputfile::finish(std::string_view header) {
    const auto* head = reinterpret_cast<const std::uint8_t*>(header.data());
    if (throughspecial) {
        flush();
        const int target = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        if (target < 0) filefailure("open output file", path);
        writeall(target, head, header.size(), "write output file", path);
        copydatato(target);
        if (::close(target) != 0) filefailure("write output file", path);
        return;
    }
    flush();
    awaitwrite();
    if (::lseek(fd, 0, SEEK_SET) != 0) filefailure(datawhat, dataname);
    writeall(fd, head, header.size(), datawhat, dataname);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0) filefailure(datawhat, dataname);
    if (::rename(temppath.c_str(), path.c_str()) != 0) filefailure("replace output file", path);
    temppath.clear();
    pending[0] = '\0';
}
