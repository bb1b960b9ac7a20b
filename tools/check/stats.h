// The odds of a data file: how likely each entry of each table is, and what
// lines the file can make.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "datafile/data_file.h"

namespace weft::check {

// Returns the probability of each position of a table of `size` positions,
// as a number of the 32768 equally likely draws: a draw r picks position
// r mod size, so positions from 32768 on get none.
// REQUIRES: position < size
std::uint64_t drawsOfPositions(std::uint64_t size, std::uint64_t first, std::uint64_t end);

// The lines one generate call can yield, found by following every choice of
// the expansion, with each draw taken as independent and uniform.
struct LineOdds {
  std::map<std::string, double> lines;  // finished line -> probability
  double emptyLine = 0;                 // the line comes out empty: the run ends
  double emptyTable = 0;                // an empty table is referenced: the run ends
  double unexplored = 0;                // beyond the limits of the search
  bool complete = true;                 // every choice was followed to its end
};

// Follows the expansion of lines of `file` within fixed limits of work and
// memory. `subfilesResolve` is false for a file generated from a copy that
// has no sub-files.
LineOdds enumerateLines(const DataFile& file, bool subfilesResolve);

// Returns the --stats text of a loaded data file shown as `path`.
std::string describeOdds(const DataFile& file, const std::string& path);

}  // namespace weft::check
