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
#include "model/file_facts.h"
#include "model/tied_rolls.h"
#include "odds/dice_odds.h"
#include "odds/line_search.h"
#include "odds/sampling.h"
#include "odds/variety_estimate.h"

namespace weft::check {

// One distinct entry of a table.
struct EntryOdds {
  std::string text;
  bool builtIn = false;  // an element file's prefix joined to a suffix
  std::uint64_t positions = 0;
  std::uint64_t draws = 0;  // of the 32768 equally likely draws that pick it

  bool operator==(const EntryOdds&) const = default;
};

struct TableOdds {
  int number = 0;
  std::string section;  // in an element file, the section line that fills it ("#pre")
  std::uint64_t positions = 0;
  // The one denominator of the table's fractions: 32768 over the largest
  // power of two that divides every entry's draws.
  std::uint64_t denominator = 1;
  std::vector<EntryOdds> entries;

  bool operator==(const TableOdds&) const = default;
};

struct FileOdds {
  std::string path;
  std::string title;
  bool elementFile = false;
  std::vector<TableOdds> tables;
  std::vector<DiceOdds> dice;
  // The entries whose lines make rolls that go together, with their totals.
  std::vector<TiedEntry> tiedRolls;
  LineOdds lines;
  // The entropy of table 0's lines: the search's, or where the search gives
  // no exact odds and weft's own lines were sampled, their estimate.
  double bits = 0;
  double variety = 1;  // 2 to the power of bits: as varied as that many equally likely lines
  // The search's own figures (lower bounds when it did not follow every choice).
  double searchBits = 0;
  double searchVariety = 1;
  // Where the search gives no exact odds: what weft itself made at spread
  // clock seconds, and the variety estimated from it.
  std::optional<SampledLines> sampled;
  VarietyEstimate estimate;

  bool operator==(const FileOdds&) const = default;
};

// Returns true when the search gave the exact odds of table 0's lines.
inline bool exactLines(const FileOdds& odds) {
  return odds.lines.complete && !odds.lines.estimated;
}

// Adds weft's own lines to `odds`, whose figures then come from them.
void addSample(FileOdds& odds, SampledLines sampled);

// Works out the odds of a loaded data file shown as `path`; `lines` gives
// the lines its entries stand on, when known. Without `searchLines` the
// lines of table 0 are not searched (the costly part): `lines`, `bits` and
// `variety` of the result stay as they start.
FileOdds computeOdds(const DataFile& file, const std::string& path,
                     const EntryLines* lines = nullptr, bool searchLines = true);

}  // namespace weft::check
