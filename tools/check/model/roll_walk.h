// The ways through the line of one entry, as far as its rolls go: which
// rolls it makes, which of the entry's references brings each in, and what
// the picks made after the first roll say of the draws the rolls share
// (roll_joint.h). References are replaced as generation replaces them,
// leftmost first, text that a replacement brings in scanned again; a listed
// file makes its line as generation makes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <tuple>
#include <vector>

#include "datafile/data_file.h"
#include "generate/dice.h"
#include "model/roll_joint.h"

namespace weft::check {

// Where a dice reference stands: in a run of a table of a loaded file, its
// "(" at `offset` of the run's text.
struct RollSite {
  const DataFile* file;
  int table;
  std::size_t run;
  std::size_t offset;

  bool operator==(const RollSite&) const = default;
};

// One roll of a line whose dice can be compared with others (comparableDice).
struct WalkedRoll {
  std::size_t reference;  // the entry's reference that brings it in, as parseEntry() counts
  RollSite site;
  DiceParts parts;
};

// One way through the line, to its end.
struct WalkedPath {
  double chance;  // of the picks made before the first roll
  std::vector<WalkedRoll> rolls;
  std::vector<PickedDraw> picks;  // the picks made after the first roll
};

// Bounds of one walk: the states followed, the bytes of working text
// handled in all, the references replaced in one line, the length of a
// working text and the rolls of one line.
struct WalkLimits {
  std::size_t states = 4096;
  std::uint64_t work = 4'000'000;
  std::uint32_t passes = 512;
  std::size_t textBytes = 8192;
  std::size_t rolls = 24;
};

struct WalkResult {
  bool complete;       // false when a limit cut the walk short
  std::size_t states;  // followed
  std::uint64_t work;  // bytes of working text handled
};

// Follows every way through the line that generation makes of run `run` of
// table `table` of `file`, and calls `visit` with each that finishes the
// line making two rolls or more (one that ends weft's run is left out). A
// reference to a listed file resolves only where `file` is a data file weft
// is given.
WalkResult walkEntry(const DataFile& file, int table, std::size_t run, const WalkLimits& limits,
                     const std::function<void(const WalkedPath&)>& visit);

}  // namespace weft::check
