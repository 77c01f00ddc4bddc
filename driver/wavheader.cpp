#include "driver/wavheader.h"

namespace {

constexpr std::uint32_t formatchunksize = 16;
constexpr std::uint16_t integerpcm = 1;
constexpr std::uint32_t channelcount = 2;
constexpr std::uint32_t rate = 44100;
// Form type (4), format chunk (8 + 16) and data chunk header (8).
constexpr std::uint32_t headeroverhead = 36;

void put(std::ostream& out, const char (&id)[5]) { out.write(id, 4); }

void put(std::ostream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.put(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

}  // namespace

void write_header(std::ostream& out, std::uint32_t databytes, bool sixteen) {
    const std::uint32_t bits = 8 + 8 * static_cast<std::uint32_t>(sixteen);
    const std::uint32_t byterate = channelcount * rate * bits / 8;
    const std::uint32_t blockalign = channelcount * bits / 8;

    put(out, "RIFF");
    put(out, databytes + headeroverhead, 4);
    put(out, "WAVE");
    put(out, "fmt ");
    put(out, formatchunksize, 4);
    put(out, integerpcm, 2);
    put(out, channelcount, 2);
    put(out, rate, 4);
    put(out, byterate, 4);
    put(out, blockalign, 2);
    put(out, bits, 2);
    put(out, "data");
    put(out, databytes, 4);
}
