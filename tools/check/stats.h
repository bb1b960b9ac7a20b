// The odds of a data file: how likely each entry of each table is, how its
// dice fall, and what lines the file can make.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "datafile/data_file.h"
#include "traps.h"

namespace weft::check {

// Returns the probability of each position of a table of `size` positions,
// as a number of the 32768 equally likely draws: a draw r picks position
// r mod size, so positions from 32768 on get none.
// REQUIRES: position < size
std::uint64_t drawsOfPositions(std::uint64_t size, std::uint64_t first, std::uint64_t end);

// The lines one generate call can yield, found by following every choice of
// the expansion. Draws before the line's first dice roll are taken as
// independent and uniform; after it, every dice reference restarts the
// random numbers from the same seed (the clock's second), so the draws that
// follow repeat the ones after the earlier roll.
struct LineOdds {
  std::map<std::string, double> lines;  // finished line -> probability
  double emptyLine = 0;                 // the line comes out empty: the run ends
  double emptyTable = 0;                // an empty table is referenced: the run ends
  double unexplored = 0;                // beyond the limits of the search
  bool complete = true;                 // every choice was followed to its end
  bool rollsDice = false;               // some line rolls dice
  // Some odds after a dice roll were worked out as if its draws were
  // independent of earlier ones, which they are not: they are estimates.
  bool estimated = false;
};

// Follows the expansion of lines of `file` within fixed limits of work and
// memory. `subfilesResolve` is false for a file generated from a copy that
// has no sub-files.
LineOdds enumerateLines(const DataFile& file, bool subfilesResolve);

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

// The totals of one dice expression used in the file.
struct DiceOdds {
  std::string expression;  // the text behind "random"
  int table = 0;
  std::uint64_t line = 0;  // 0 when not known
  bool reads = true;
  // Totals with their probabilities, dice taken as independent; empty when
  // there are too many to work out (then `lowest` and `highest` still hold).
  std::vector<std::pair<std::int32_t, double>> totals;
  std::int64_t lowest = 0;
  std::int64_t highest = 0;
  bool exact = true;  // one die (a single draw): exact; more dice: as independent
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
};

// Works out the odds of a loaded data file shown as `path`; `lines` gives
// the lines its entries stand on, when known.
FileOdds computeOdds(const DataFile& file, const std::string& path,
                     const EntryLines* lines = nullptr);

// Returns the --stats text of `odds`; `verbose` adds the entropy in bits.
std::string describeOdds(const FileOdds& odds, bool verbose);

// Returns the --stats text of a loaded data file shown as `path`.
std::string describeOdds(const DataFile& file, const std::string& path);

// Returns the percentage of `p` as shown ("75.0%", "0.46%").
std::string percentText(double p);
// Returns "1 in N" for `p` (N rounded), or "never".
std::string oneInText(double p);

}  // namespace weft::check
