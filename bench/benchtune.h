// A tune directory written for one benchmark, removed afterwards.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class benchtune {
public:
    benchtune(const std::string& index, const std::vector<std::string>& channels) {
        std::string pattern = (std::filesystem::temp_directory_path() / "wavelark-bench-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr) dir = pattern;
        std::ofstream(dir / "channels.txt") << index;
        for (std::size_t c = 0; c < channels.size(); ++c)
            std::ofstream(dir / ("channel" + std::to_string(c) + ".wlk")) << channels[c];
    }
    ~benchtune() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string path() const { return dir.string(); }

private:
    std::filesystem::path dir;
};
