// Commands that start events (notes, raw-period notes, rests) and the two
// settings they depend on, unit length and octave.
#include "renderer/pitches.h"
#include "renderer/wavelark.h"

void wavelark::startevent(int ch, std::int32_t length) {
    duration[ch] = static_cast<frames>(unitlen[ch]) * static_cast<frames>(length);
    playing[ch] = true;
    notespec& n = notes[ch];
    n.sample = 0;
    // A waveform stuck in a cycle of 0 or 1 frames restarts, so that the new
    // period takes effect in the note's first frame.
    if (n.cycle <= 1) {
        n.phase = 0;
        n.cycle = 1;
    }
}

void wavelark::note(int ch, int semitone) {
    resting[ch] = false;
    advance(ch);
    std::int64_t accidentals = 0;
    while (good[ch] && (curchar[ch] == '#' || curchar[ch] == '-')) {
        accidentals += curchar[ch] == '#' ? 1 : -1;
        advance(ch);
    }
    // In 64 bits, so that no octave wraps back into the table.
    const std::int64_t index =
        static_cast<std::int64_t>(octave[ch]) * semitonesperoctave + semitone + accidentals;
    if (index < 0 || index >= static_cast<std::int64_t>(pitcharray.size()))
        fail(ch, "pitch out of range");
    notes[ch].period = static_cast<std::int32_t>(pitcharray[index]);
    startevent(ch, readnumber(ch));
}

// 'w(' period ')' length. When the input ends inside it, the note starts with
// what was read so far.
void wavelark::rawnote(int ch) {
    resting[ch] = false;
    advance(ch);
    if (good[ch] && curchar[ch] != '(') fail(ch, "w takes positive int argument in ()s");
    advance(ch);
    notes[ch].period = readnumber(ch);
    if (good[ch] && curchar[ch] != ')') fail(ch, "must close w ()s");
    advance(ch);
    startevent(ch, readnumber(ch));
}

// A rest leaves period, phase and cycle alone: the next note continues the
// waveform where it stopped.
void wavelark::rest(int ch) {
    resting[ch] = true;
    advance(ch);
    const std::int32_t length = readnumber(ch);
    duration[ch] = static_cast<frames>(unitlen[ch]) * static_cast<frames>(length);
    playing[ch] = true;
    notes[ch].sample = 0;
}

void wavelark::unitlength(int ch) {
    advance(ch);
    unitlen[ch] = readnumber(ch);
}

// Not range-checked here: each note checks its own pitch index.
void wavelark::setoctave(int ch) {
    advance(ch);
    octave[ch] = readnumber(ch);
}
