// The draws of a pick: how many of the 32768 equally likely draws pick each
// position and each distinct entry of a table.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "datafile/data_file.h"
#include "datafile/table.h"
#include "generate/pick_draws.h"

namespace weft::check {

// One distinct entry of a table, as the draws see it.
struct DistinctEntry {
  std::string_view text;
  std::uint64_t positions = 0;
  std::uint64_t draws = 0;
  bool holdsRun = false;  // one of its runs is the run asked about
};

// Returns the distinct entries of `table` in order of first appearance; the
// one that run `run` merges into holds it.
std::vector<DistinctEntry> distinctEntries(const Table& table, std::size_t run = DataFile::kNoRun);

}  // namespace weft::check
