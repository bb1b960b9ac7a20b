// The weft-check program: loads data files as weft does, with a load
// observer that records every problem instead of ending the run.
#pragma once

#include "support/console.h"
#include "support/file_system.h"

namespace weft::check {

inline constexpr const char* kCheckOptionString = "hSvjm:";
inline constexpr const char* kCheckUsage =
    "[-hSvj] [--stats] [--verbose] [--format=text|json] [-m <maxfreq>] datafile...";

// Checks the data files named on the command line and writes the report on
// `console`'s standard output. Returns 0 when clean, 1 when there are
// warnings only, 2 when there is any error or the command line is wrong; -h,
// --help and --version return 0. The files are read through a file system of
// their own, so the process's working directory never moves.
int runCheck(int argc, char** argv, Console& console);

// The same, with the files of `files` (whose working directory it moves).
int runCheck(int argc, char** argv, Console& console, FileSystem& files);

}  // namespace weft::check
