// The weft-check program's command line: the check of the data files it
// names, the odds with --stats and the explanation with --explain.
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

// weft-check as a process: runs the check with `console`, flushes, and
// returns the status to exit with (a write error on standard output ends it
// with weft's status for one).
int checkMain(int argc, char** argv, Console& console);

}  // namespace weft::check
