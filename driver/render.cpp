#include "driver/render.h"

#include <bit>
#include <iostream>
#include <sstream>
#include <vector>

#include "driver/output.h"
#include "driver/wavheader.h"
#include "renderer/wavelark.h"

namespace {

// 16-bit values go to the file low byte first, whatever the host.
void littleendian(const std::vector<std::int16_t>& values, std::vector<std::uint8_t>& bytes) {
    bytes.resize(values.size() * 2);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const auto v = static_cast<std::uint16_t>(values[i]);
        bytes[2 * i] = static_cast<std::uint8_t>(v & 0xFFu);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
    }
}

[[noreturn]] void toolong(const std::string& outfile) {
    std::cerr << "wavelark: cannot write output file '" << outfile
              << "': the tune is longer than a WAV file can hold (" << maxdatabytes
              << " bytes of sample data)" << std::endl;
    failrun();
}

}  // namespace

int render(const settings& run) {
    wavelark tune(run.tunedir.c_str(), false);
    outputfile out(run.outfile);

    const auto blocklen = static_cast<std::size_t>(run.blocklen);
    std::vector<std::uint8_t> block8(blocklen);
    std::vector<std::int16_t> block16(blocklen);
    std::vector<std::uint8_t> bytes16;
    const std::size_t blockbytes = run.sixteen ? 2 * blocklen : blocklen;

    std::uint64_t databytes = 0;
    while (!tune.done()) {
        if (!wavcanhold(databytes + blockbytes)) toolong(run.outfile);
        if (run.sixteen) {
            tune.parse16(block16.data(), run.blocklen, run.gain);
            if constexpr (std::endian::native == std::endian::little) {
                out.write(reinterpret_cast<const std::uint8_t*>(block16.data()), blockbytes);
            } else {
                littleendian(block16, bytes16);
                out.write(bytes16.data(), bytes16.size());
            }
        } else {
            tune.parse8(block8.data(), run.blocklen, run.gain);
            out.write(block8.data(), blockbytes);
        }
        databytes += blockbytes;
    }

    std::ostringstream header;
    write_header(header, static_cast<std::uint32_t>(databytes), run.sixteen);
    out.finish(header.str());
    return 0;
}
