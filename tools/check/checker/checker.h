// The check of data files: loads them as weft does, with a load observer
// that records every problem instead of ending the run, samples weft's own
// lines of each data file it is given for the ones that end the run, and
// works out the odds of each file as it loads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "model/report.h"
#include "odds/stats.h"
#include "support/engine.h"

namespace weft::check {

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
  // For each name in the data file's own file lists, the index in `files` of
  // the listed file that a reference of that name makes its line from.
  std::map<std::string, std::size_t, std::less<>> listedByName;
};

// Checks the data file `name` in the working directory of `engine.files`,
// as runCheck checks an operand, and names files from that directory.
// `searchLines` as for computeOdds().
// REQUIRES: no load observer installed in `engine`
CheckResult checkDataFile(Engine& engine, const std::string& name, bool stats,
                          bool searchLines = true);

// What checking the operands of a command line found.
struct CheckedOperands {
  std::vector<Diagnostic> diagnostics;  // sorted, as the report shows them
  std::vector<FileOdds> odds;           // with `stats`, the odds of each file loaded
  std::size_t fileCount = 0;            // the distinct files loaded
  int status = 0;                       // 0 clean, 1 warnings only, 2 errors
};

// Checks each data file that `operands` names as weft loads an operand: from
// inside its directory part if it has one (the part before the last
// backslash), coming back to the working directory after each.
// REQUIRES: no load observer installed in `engine`
CheckedOperands checkOperands(Engine& engine, const std::vector<std::string_view>& operands,
                              bool stats);

}  // namespace weft::check
