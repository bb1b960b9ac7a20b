// The rolls that weft ties together: every roll restarts weft's random
// numbers from the clock's second, so the rolls of one line are all made
// from the same draws, whether they stand in one entry or in the entries and
// listed files its references bring in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "model/analysed_file.h"
#include "model/file_facts.h"

namespace weft::check {

// One of two tied rolls, as an entry's line makes it.
struct TiedRoll {
  std::string expression;  // the text behind "random"
  std::size_t reference;   // the entry's reference that brings it in, as parseEntry() counts
  bool own;                // that reference is the roll itself
  std::string via;         // that reference as written, parentheses included
  std::string file;        // the listed file it stands in; empty for the entry's own file
  int table = 0;
  std::uint64_t line = 0;  // 0 when not known

  bool operator==(const TiedRoll&) const = default;
};

// Two totals that come up together, and how likely that is.
struct TotalPair {
  std::int32_t first;
  std::int32_t second;
  double chance;

  bool operator==(const TotalPair&) const = default;
};

// Two rolls of an entry's line whose totals go together: the later one
// always shows the earlier one's total plus `difference`, or only some
// pairs of their totals ever come up.
struct TiedPair {
  TiedRoll first;
  TiedRoll second;
  bool sameDifference = false;
  std::int64_t difference = 0;
  std::size_t pairs = 0;          // pairs of totals that come up
  std::size_t possible = 0;       // the totals of the first times those of the second
  std::vector<TotalPair> totals;  // by the first total, then the second
  // False where not every choice between the rolls could be followed: the
  // totals are then the dice's alone, the picks between them left out.
  bool exact = true;

  bool operator==(const TiedPair&) const = default;
};

// The tied rolls of one entry: each later roll with the earliest roll of
// the line that it goes with, in the order the line makes them.
struct TiedEntry {
  int table = 0;
  std::size_t run = 0;
  std::uint64_t line = 0;
  std::vector<TiedPair> pairs;

  bool operator==(const TiedEntry&) const = default;
};

// Returns the entries of `file` whose lines make tied rolls, table by table,
// within a fixed budget of work; `lines` gives the line each run stands on,
// when known.
std::vector<TiedEntry> findTiedRolls(const DataFile& file, const EntryLines* lines);

// Warns at each entry whose line makes tied rolls.
void checkTiedRolls(AnalysedFile& file);

}  // namespace weft::check
