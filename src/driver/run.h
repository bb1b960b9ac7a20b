// The run driver: reads the command line, seeds the random source, and prints
// the generated lines of each data file named.
#pragma once

#include "support/directory.h"

namespace weft {

inline constexpr const char* kOptionString = "tdn:m:s:";
inline constexpr const char* kUsageText =
    "[-td] [-n <num_elements>] [-s <seed>] [-m <maxfreq>] datafile datafile...";

// Runs weft over `argv` (reordering its elements). Returns the exit status of
// a run that reaches its end; other endings leave the process directly.
int runWeft(int argc, char** argv);

}  // namespace weft
