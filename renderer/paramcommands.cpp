// Commands that change how a channel sounds without starting an event:
// volume, envelope/tremolo, sweep/vibrato, inflection, panning, ring partner.
#include "renderer/wavelark.h"

namespace {

constexpr const char* envelopesyntax =
    "use '/' to separate volume envelope rise/run or '~' to separate depth/width for tremolo; "
    "no spaces allowed between specifer and value";
constexpr const char* sweepsyntax =
    "use '/' to separate frequency sweep rise/run or '~' to separate depth/width for vibrato; "
    "no spaces allowed between specifer and value";
constexpr const char* inflectionsyntax =
    "inflection should be a decimal value between 0 and 1 with a leading decimal point, e.g. "
    "'.25' or '.5'; no spaces allowed between specifer and value";
constexpr const char* pansyntax =
    "panning should be a decimal value between 0 and 1 with a leading decimal point, e.g. "
    "'.25' or '.5'";

// -value in 32-bit two's complement, without overflow for the lowest value.
std::int32_t negate(std::int32_t value) {
    return static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value));
}

}  // namespace

// Modulo 256, no clamping: 'v300' is 44.
void wavelark::setvolume(int ch) {
    advance(ch);
    notes[ch].volume = static_cast<std::uint8_t>(readnumber(ch));
}

// The shared syntax of "n" and "s" after their letter: an optional "-", the
// rise, "/" (envelope, sweep) or "~" (tremolo, vibrato), and the run.
wavelark::modulation wavelark::readmodulation(int ch, const char* message) {
    advance(ch);
    const bool negative = curchar[ch] == '-';
    if (negative) advance(ch);
    const std::int32_t rise = readnumber(ch);
    if (curchar[ch] != '/' && curchar[ch] != '~') fail(ch, message);
    const bool triangle = curchar[ch] == '~';
    advance(ch);
    const std::int32_t run = readnumber(ch);
    return {negative ? negate(rise) : rise, static_cast<frames>(run), triangle};
}

// The envelope keeps only the low 8 bits of its rise, read as signed.
void wavelark::envelope(int ch) {
    const modulation m = readmodulation(ch, envelopesyntax);
    notes[ch].envrise = static_cast<std::int8_t>(m.rise);
    notes[ch].envrun = m.run;
    notes[ch].tremolo = m.triangle;
}

void wavelark::sweep(int ch) {
    const modulation m = readmodulation(ch, sweepsyntax);
    notes[ch].sweeprise = m.rise;
    notes[ch].sweeprun = m.run;
    notes[ch].vibrato = m.triangle;
}

void wavelark::inflect(int ch) {
    advance(ch);
    notes[ch].inflection = readfraction(ch, inflectionsyntax);
}

void wavelark::setpan(int ch) {
    advance(ch);
    pan[ch] = readfraction(ch, pansyntax);
}

// A channel is never its own partner, and a number that reads as negative
// names no channel: both mean no partner.
void wavelark::ringpartner(int ch) {
    advance(ch);
    const std::int32_t n = readnumber(ch);
    partner[ch] = (n == ch || n < 0) ? -1 : n;
}
