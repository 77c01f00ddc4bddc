#include "support/scratch.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace testing_support {

namespace fs = std::filesystem;

scratchdir::scratchdir() {
    std::string pattern = (fs::temp_directory_path() / "wavelark-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    root = pattern;
}

scratchdir::~scratchdir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info != nullptr && info->result()->Failed()) {
        std::cerr << "scratch folder kept for inspection: " << root << '\n';
        return;
    }
    std::error_code ignored;
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(root, ignored))
        if (entry.is_directory(ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(root, ignored);
}

fs::path scratchdir::write(const std::string& name, const std::string& content) const {
    const fs::path file = root / name;
    fs::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << content;
    return file;
}

fs::path scratchdir::tune(const std::string& name, const std::string& index,
                          const std::vector<std::string>& channels) const {
    write(name + "/channels.txt", index);
    for (std::size_t c = 0; c < channels.size(); ++c)
        write(name + "/channel" + std::to_string(c) + ".wlk", channels[c]);
    return root / name;
}

std::vector<std::string> scratchdir::entries(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readfile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::vector<std::uint8_t> readbytes(const fs::path& file) {
    const std::string content = readfile(file);
    return {content.begin(), content.end()};
}

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

}  // namespace

runresult runwavelark(const std::vector<std::string>& args, const fs::path& cwd) {
    // Standard output and error go to files, so that neither pipe can fill up.
    scratchdir streams;
    const fs::path outpath = streams.path() / "stdout";
    const fs::path errpath = streams.path() / "stderr";
    const pid_t child = ::fork();
    if (child == 0) {
        if (::chdir(cwd.c_str()) != 0) ::_exit(127);
        if (!std::freopen(outpath.c_str(), "w", stdout)) ::_exit(127);
        if (!std::freopen(errpath.c_str(), "w", stderr)) ::_exit(127);
        std::vector<char*> argv;
        std::string binary = WAVELARK_BINARY;
        argv.push_back(binary.data());
        std::vector<std::string> copies(args);
        for (auto& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        ::execv(binary.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    runresult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readfile(outpath);
    result.err = readfile(errpath);
    return result;
}

std::vector<std::int16_t> wavfile::samples16() const {
    std::vector<std::int16_t> values(data.size() / 2);
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = static_cast<std::int16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return values;
}

wavfile readwav(const fs::path& file) {
    const std::vector<std::uint8_t> bytes = readbytes(file);
    wavfile wav;
    if (bytes.size() < 44) return wav;
    wav.header.assign(bytes.begin(), bytes.begin() + 44);
    wav.data.assign(bytes.begin() + 44, bytes.end());
    wav.riffsize = le32(bytes, 4);
    wav.datasize = le32(bytes, 40);
    wav.bits = static_cast<std::uint16_t>(bytes[34] | (bytes[35] << 8));
    return wav;
}

}  // namespace testing_support
