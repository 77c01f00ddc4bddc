// The noise generator's random numbers: the sequence of the C library's
// rand() as a program that never seeds it sees it, so every run of a tune
// sounds the same.
#pragma once

namespace steps {

// The next number of the sequence, 0 to RAND_MAX.
int nextrandom();

// Starts the sequence again from its beginning, as srand(1) does.
void restartrandom();

}  // namespace steps
