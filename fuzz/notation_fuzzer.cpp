// One channel's notation, whatever its bytes.
//
// Input: one mode byte, then the notation of channel 0 verbatim.
//   bits 0-2: the wave type written to channels.txt (0-4, then -1, 9, -7:
//             a silent channel and two that fall back to square)
//   bit 3:    the channel loops (its file is reopened when it runs out)
//   bit 4:    the first block is 16-bit, then 8- and 16-bit alternate
//   bits 5-7: the gain (see fuzzing::gainfor)
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/harness.h"

namespace {
constexpr std::array<int, 8> wavetypes = {0, 1, 2, 3, 4, -1, 9, -7};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const std::string_view notation(reinterpret_cast<const char*>(data + 1), size - 1);

    fuzzing::cleartune();
    fuzzing::writefile("channels.txt", "1 " + std::to_string(wavetypes[mode & 7u]) + "\n");
    fuzzing::writefile("channel0.wlk", notation);

    fuzzing::renderplan plan;
    plan.loop = (mode & 8u) != 0;
    plan.sixteenfirst = (mode & 16u) != 0;
    plan.gain = fuzzing::gainfor(mode >> 5u);
    plan.channels = 1;
    plan.boundpositions = !plan.loop;
    plan.inputbytes[0] = notation.size();
    plan.inputlines[0] =
        static_cast<std::size_t>(std::count(notation.begin(), notation.end(), '\n'));
    fuzzing::render(plan);
    return 0;
}
