// The weft-check program: loads data files as weft does, with a load
// observer that records every problem instead of ending the run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "report.h"
#include "stats.h"
#include "support/console.h"
#include "support/engine.h"
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

// One file that checking a data file loaded.
struct LoadedFile {
  std::string path;        // as the report names it
  std::string listedBy;    // the path of the file whose list names it; empty for the data file
  std::uint64_t line = 0;  // the line of that list
};

// What checking one data file found.
struct CheckResult {
  std::vector<Diagnostic> diagnostics;  // sorted, as the report shows them
  std::vector<FileOdds> odds;           // with `stats`, the odds of each file loaded
  std::vector<LoadedFile> files;        // in the order loading started
};

// Checks the data file `name` in the working directory of `engine.files`,
// as runCheck checks an operand, and names files from that directory.
// `searchLines` as for computeOdds().
// REQUIRES: no load observer installed in `engine`
CheckResult checkDataFile(Engine& engine, const std::string& name, bool stats,
                          bool searchLines = true);

}  // namespace weft::check
