// A whole tune directory, whatever its files hold.
//
// Input: one mode byte, then up to five parts separated by the line "====":
// channels.txt, then channel0.wlk to channel3.wlk. Parts beyond the fifth
// are ignored, and a channel file without a part is missing. A part that
// reads exactly "<dir>" becomes a directory in the file's place, one that
// reads exactly "<none>" leaves the file out.
//   bit 0:    the tune directory is named with a trailing "/"
//   bit 3:    the channels loop (their files are reopened when they run out)
//   bit 4:    the first block is 16-bit, then 8- and 16-bit alternate
//   bits 5-7: the gain (see fuzzing::gainfor)
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/harness.h"

namespace {

constexpr std::string_view separator = "\n====\n";
constexpr std::string_view directorypart = "<dir>";
constexpr std::string_view absentpart = "<none>";
constexpr std::size_t indexpart = 0;

std::vector<std::string_view> splitparts(std::string_view text) {
    std::vector<std::string_view> parts;
    while (parts.size() < 1 + maxchannels) {
        const std::size_t end = text.find(separator);
        parts.push_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + separator.size());
    }
    return parts;
}

std::string filename(std::size_t part) {
    return part == indexpart ? "channels.txt" : "channel" + std::to_string(part - 1) + ".wlk";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const std::vector<std::string_view> parts =
        splitparts(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));

    fuzzing::renderplan plan;
    plan.dirsuffix = (mode & 1u) != 0 ? "/" : "";
    plan.loop = (mode & 8u) != 0;
    plan.sixteenfirst = (mode & 16u) != 0;
    plan.gain = fuzzing::gainfor(mode >> 5u);
    plan.channels = maxchannels;
    plan.boundpositions = !plan.loop;

    fuzzing::cleartune();
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const std::string_view part = parts[p];
        if (part == directorypart)
            fuzzing::makedirectory(filename(p));
        else if (part != absentpart)
            fuzzing::writefile(filename(p), part);
        if (p != indexpart) {
            plan.inputbytes[p - 1] = part.size();
            plan.inputlines[p - 1] =
                static_cast<std::size_t>(std::count(part.begin(), part.end(), '\n'));
        }
    }
    fuzzing::render(plan);
    return 0;
}
