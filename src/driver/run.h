// The run driver: reads the command line, seeds the random source, and prints
// the generated lines of each data file named.
#pragma once

#include "support/clock.h"
#include "support/engine.h"

namespace weft {

inline constexpr const char* kOptionString = "tdn:m:s:";
inline constexpr const char* kUsageText =
    "[-td] [-n <num_elements>] [-s <seed>] [-m <maxfreq>] datafile datafile...";

// Runs weft over `argv` (reordering its elements) with `engine`: its file
// system, console, clock and random source. Returns the exit status of a run
// that reaches its end; a run that ends on a problem throws the Ending, with
// the engine's working directory back where it started.
int runWeft(int argc, char** argv, Engine& engine);

// weft as a process: runs over `argv` with the system's files, `console`
// and `clock`, writes how the run ended, and returns the status to exit
// with.
int weftMain(int argc, char** argv, Console& console, Clock& clock);

}  // namespace weft
