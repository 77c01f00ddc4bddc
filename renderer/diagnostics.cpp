// Positioned notation diagnostics and the one way a fatal error ends the run.
#include <cstdio>
#include <cstdlib>

#include "renderer/wavelark.h"

void failrun() {
    std::fflush(stdout);
    std::fflush(stderr);
#ifdef WAVELARK_FUZZ
    // A fuzzing harness renders many inputs in one process: it catches this
    // instead of losing the process to a message it provoked on purpose.
    throw fatalrun{};
#else
    std::exit(fatalstatus);
#endif
}

void bitch(const char* message, int line, int character, int channel) {
    std::printf("ERROR: %s at character %d of line %d of channel %d\n", message, character, line,
                channel);
    failrun();
}

void whine(const char* message, int line, int character, int channel) {
    std::printf("WARNING: %s at character %d of line %d of channel %d\n", message, character, line,
                channel);
    std::fflush(stdout);
}

void wavelark::fail(int ch, const char* message) const {
    bitch(message, linenum[ch], charnum[ch], ch);
}
