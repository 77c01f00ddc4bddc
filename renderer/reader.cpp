// The channel reader: one character of look-ahead per channel, line and
// character counting for diagnostics, dispatch on the command letter, and
// the end of a channel's input.
#include <iostream>

#include "renderer/wavelark.h"

namespace {

constexpr char lineend = '\n';
constexpr char blank = ' ';

// Counters that wrap instead of overflowing on absurdly long input.
void bump(std::int32_t& counter) {
    counter = static_cast<std::int32_t>(static_cast<std::uint32_t>(counter) + 1u);
}

bool isdigit(char c) { return c >= '0' && c <= '9'; }

// A read that fails for another reason than the end of the file (an I/O
// error) would otherwise pass for the end of the channel and cut the tune
// short without a word.
void checkread(const std::ifstream& file, const std::string& path) {
    if (!file.bad()) return;
    std::cerr << "ERROR- Failed to read file " << path << '\n';
    failrun();
}

}  // namespace

char lcase(char x) { return (x >= 'A' && x <= 'Z') ? static_cast<char>(x + 32) : x; }

void wavelark::advance(int ch) {
    char next = 0;
    if (channelfile[ch].get(next)) {
        curchar[ch] = next;
        good[ch] = true;
    } else {
        checkread(channelfile[ch], channelpath(ch));
        good[ch] = false;
    }
    bump(charnum[ch]);
}

// An unsigned decimal number; 0 when no digit follows. Accumulates modulo
// 2^32 and reads the result as signed, so no length of digits overflows.
std::int32_t wavelark::readnumber(int ch) {
    std::uint32_t n = 0;
    while (good[ch] && isdigit(curchar[ch])) {
        n = n * 10u + static_cast<std::uint32_t>(curchar[ch] - '0');
        advance(ch);
    }
    return static_cast<std::int32_t>(n);
}

// A fraction with a leading point, summed digit by digit in single precision:
// ".9" is 0.9f + rounding of each step, not the nearest float to 0.9.
float wavelark::readfraction(int ch, const char* message) {
    float value = 0.0f;
    float weight = 0.1f;
    if (curchar[ch] != '.') fail(ch, message);
    advance(ch);
    while (good[ch] && isdigit(curchar[ch])) {
        const float digit = static_cast<float>(curchar[ch] - '0');
        const float step = digit * weight;
        value = value + step;
        weight = static_cast<float>(static_cast<double>(weight) * 0.1);
        advance(ch);
    }
    return value;
}

void wavelark::linebreak(int ch) {
    advance(ch);
    bump(linenum[ch]);
    charnum[ch] = 0;
}

// Runs from ";" up to and including the line end.
void wavelark::comment(int ch) {
    while (good[ch] && curchar[ch] != lineend) advance(ch);
    linebreak(ch);
}

void wavelark::dispatch(int ch) {
    switch (lcase(curchar[ch])) {
    case 'c': note(ch, 0); break;
    case 'd': note(ch, 2); break;
    case 'e': note(ch, 4); break;
    case 'f': note(ch, 5); break;
    case 'g': note(ch, 7); break;
    case 'a': note(ch, 9); break;
    case 'b': note(ch, 11); break;
    case 'w': rawnote(ch); break;
    case 'r': rest(ch); break;
    case 'l': unitlength(ch); break;
    case 'o': setoctave(ch); break;
    case 'v': setvolume(ch); break;
    case 'n': envelope(ch); break;
    case 's': sweep(ch); break;
    case 'i': inflect(ch); break;
    case 'p': setpan(ch); break;
    case '*': ringpartner(ch); break;
    case lineend: linebreak(ch); break;
    case blank: advance(ch); break;
    case ';': comment(ch); break;
    default: fail(ch, "invalid syntax");
    }
}

void wavelark::readcommands(int ch) {
    std::ifstream& file = channelfile[ch];
    while (file.is_open() && !file.fail() && good[ch] && !playing[ch]) dispatch(ch);
    if (good[ch]) return;
    endofinput(ch);
}

// A looping channel starts its file again; the position counters run on, so
// the first character of the new pass is reported where the last pass ended.
void wavelark::endofinput(int ch) {
    std::ifstream& file = channelfile[ch];
    if (loop && file.is_open()) {
        file.close();
        openchannel(channelfile, ch, channelpath(ch));
        if (!file.fail()) {
            char first = 0;
            good[ch] = static_cast<bool>(file.get(first));
            if (good[ch]) curchar[ch] = first;
            if (!good[ch]) checkread(file, channelpath(ch));
        }
        if (!good[ch]) file.close();
    }
    anygood = false;
    for (int c = 0; c < numchannels; ++c) anygood = anygood || good[c];
}
