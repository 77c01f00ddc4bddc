#include "driver/options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

constexpr float version = 2.1f;
constexpr const char* usage =
    "Usage: wavelark [ -h ] | [ -d tunedir | -o outfile | -16 | -g gain | -s samples ]";

[[noreturn]] void usageerror(const std::string& message) {
    std::cout << message << std::endl;
    std::exit(usagestatus);
}

const char* skipblanks(const char* text) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    return text;
}

}  // namespace

void helptext() {
    std::cout << "Wavelark version " << version << '\n'
              << "Basic usage: wavelark [ -h ] | [ -d tunedir | -o outfile | -16 | -g gain | -s "
                 "samples ]\n"
              << '\n'
              << "-d specifies tune data in _tunedir_ should be used.  Default _tunedir_ is /tune\n"
              << "-o specifies output file name should be _outfile_.  Default _outfile_ is "
                 "output.wav\n"
              << "-g specifies output levels should be multiplied by _gain_.  Default _gain_ is "
                 "1.0.\n"
              << "   WARNING: No clipping detection/correction is done!  High _gain_ may sound "
                 "ugly!\n"
              << "-s specifies the number of _samples_ to generate at once.  Default _samples_ is\n"
              << "   11025, output sample rate is 44100Hz.  Higher _samples_ values decrease "
                 "runtime,\n"
              << "   lower values eliminate 'dead' space at the end of the output file.\n"
              << "-16 will force 16-bit file output.  See the readme for details/issues.\n"
              << "-h will cause wavelark to print this help text and exit directly\n"
              << '\n'
              << "See the wavelark documentation for input file format details and other info."
              << std::endl;
    std::exit(0);
}

std::int64_t atoirules(const char* text) {
    const char* p = skipblanks(text);
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    constexpr std::int64_t ceiling = std::int64_t{1} << 40;
    std::int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (value < ceiling) value = value * 10 + (*p - '0');
    return negative ? -value : value;
}

bool readgain(const char* text, float& gain) {
    const char* p = skipblanks(text);
    if (*p == '+' || *p == '-') ++p;
    const bool digit = *p >= '0' && *p <= '9';
    const bool pointdigit = *p == '.' && p[1] >= '0' && p[1] <= '9';
    if (!digit && !pointdigit) return false;
    gain = std::strtof(text, nullptr);
    return true;
}

settings readoptions(int argc, char** argv) {
    settings run;
    if (argc <= 1) {
        std::cout << usage << '\n' << "type 'wavelark -h' for details." << std::endl;
        return run;
    }
    const char* blockvalue = nullptr;
    const char* gainvalue = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool last = i == argc - 1;
        if (last && std::strcmp(arg, "-16") != 0 && std::strcmp(arg, "-h") != 0)
            usageerror(std::string("bad number of arguments after ") + arg);
        if (std::strcmp(arg, "-d") == 0) {
            run.tunedir = argv[++i];
        } else if (std::strcmp(arg, "-o") == 0) {
            run.outfile = argv[++i];
        } else if (std::strcmp(arg, "-16") == 0) {
            run.sixteen = true;
        } else if (std::strcmp(arg, "-g") == 0) {
            gainvalue = argv[++i];
        } else if (std::strcmp(arg, "-s") == 0) {
            blockvalue = argv[++i];
        } else if (std::strcmp(arg, "-h") == 0) {
            helptext();
        } else {
            usageerror(std::string("invalid argument: ") + arg);
        }
    }
    // Values are checked once the whole line is read, so that the last of a
    // repeated option wins and "-h" anywhere still shows the help.
    if (gainvalue != nullptr && !readgain(gainvalue, run.gain))
        usageerror(std::string("bad value for -g: '") + gainvalue +
                   "' (give a decimal number, e.g. 0.5)");
    if (blockvalue != nullptr) {
        const std::int64_t blockframes = atoirules(blockvalue);
        if (blockframes < 1 || blockframes > maxblockframes)
            usageerror(std::string("bad value for -s: '") + blockvalue + "' (give 1 to " +
                       std::to_string(maxblockframes) + " frames per block)");
        run.blocklen = static_cast<std::int32_t>(2 * blockframes);
    }
    return run;
}
