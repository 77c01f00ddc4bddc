#pragma once

#include "driver/options.h"

// Renders the tune of `run` into its output file, block by block. Returns the
// process's exit status; a fatal error ends the process itself.
int render(const settings& run);
