// The checks of how lines expand: the tables they reach, lines that can
// come out empty and expansions that never end.
#pragma once

#include <array>

#include "model/analysed_file.h"

namespace weft::check {

// The tables that the lines of table 0 reach.
struct Reachability {
  std::array<bool, TABLE_COUNT> reachable{};
  std::array<bool, TABLE_COUNT> referenced{};  // by an entry of a reachable table
};
Reachability findReachableTables(const AnalysedFile& file);

// Entries of table 0 that can expand to an empty line.
void checkEmptyLines(AnalysedFile& file);
// Entries whose expansion can never end.
void checkEndlessExpansions(AnalysedFile& file, const Reachability& reach);

}  // namespace weft::check
