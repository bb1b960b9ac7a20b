// The odds of a data file: how likely each entry of each table is, how its
// dice fall, and what lines the file can make.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "datafile/data_file.h"
#include "dice_odds.h"
#include "line_search.h"
#include "sampling.h"
#include "traps.h"

namespace weft::check {

// Returns the probability of each position of a table of `size` positions,
// as a number of the 32768 equally likely draws: a draw r picks position
// r mod size, so positions from 32768 on get none.
// REQUIRES: position < size
std::uint64_t drawsOfPositions(std::uint64_t size, std::uint64_t first, std::uint64_t end);

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

// One distinct entry of a table.
struct EntryOdds {
  std::string text;
  bool builtIn = false;  // an element file's prefix joined to a suffix
  std::uint64_t positions = 0;
  std::uint64_t draws = 0;  // of the 32768 equally likely draws that pick it
};

struct TableOdds {
  int number = 0;
  std::uint64_t positions = 0;
  // The one denominator of the table's fractions: 32768 over the largest
  // power of two that divides every entry's draws.
  std::uint64_t denominator = 1;
  std::vector<EntryOdds> entries;
};

struct FileOdds {
  std::string path;
  std::string title;
  bool elementFile = false;
  std::vector<TableOdds> tables;
  std::vector<DiceOdds> dice;
  LineOdds lines;
  double bits = 0;     // the entropy of table 0's lines (a lower bound when incomplete)
  double variety = 1;  // 2 to the power of bits: as varied as that many equally likely lines
  // Where the search gives no exact odds: what weft itself made at spread
  // clock seconds.
  std::optional<SampledLines> sampled;
};

// Returns true when the search gave the exact odds of table 0's lines.
inline bool exactLines(const FileOdds& odds) {
  return odds.lines.complete && !odds.lines.estimated;
}

// Works out the odds of a loaded data file shown as `path`; `lines` gives
// the lines its entries stand on, when known. Without `searchLines` the
// lines of table 0 are not searched (the costly part): `lines`, `bits` and
// `variety` of the result stay as they start.
FileOdds computeOdds(const DataFile& file, const std::string& path,
                     const EntryLines* lines = nullptr, bool searchLines = true);

// Returns the --stats text of `odds`; `verbose` adds the entropy in bits.
std::string describeOdds(const FileOdds& odds, bool verbose);

// Returns the --stats text of a loaded data file shown as `path`.
std::string describeOdds(const DataFile& file, const std::string& path);

// Returns the --stats lines of one dice expression: its totals with a bar each.
std::string describeDiceOdds(const DiceOdds& dice);
// Returns a variety figure as shown ("2.5", "120").
std::string varietyText(double value);

// Returns the percentage of `p` as shown ("75.0%", "0.46%").
std::string percentText(double p);
// Returns "1 in N" for `p` (N rounded), or "never".
std::string oneInText(double p);

}  // namespace weft::check
