// Several lines of one data file, each from a run of weft at a second of its
// own, as independent as weft's random numbers allow, and with no line twice
// when asked.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "roll/line_roller.h"

namespace weft {

// How far a search for lines may go: clock seconds tried, and time taken.
struct RollBudget {
  std::uint64_t seconds = 100'000;
  std::chrono::milliseconds time{5'000};
};

struct RolledLines {
  std::vector<RolledLine> lines;
  std::uint64_t secondsTried = 0;
  bool outOfTime = false;  // the search stopped on the budget's time
};

// Returns the lines of `file` at the first `count` seconds of
// spreadSeconds(count, start, seedOffset): the seconds whose first draws go
// round every value in turn. A run that ends on a problem gives a line with
// its ending, which is the last line returned.
//
// With `unique`, a line that weft printed at an earlier second of the
// spread is passed over, and so is a second whose run ends on a problem;
// further seconds of the spread are tried until `count` lines are found or
// the budget is spent, so that fewer lines may come back.
RolledLines rollLines(LineRoller& roller, const DataFile& file, std::size_t count,
                      std::int64_t start, bool unique, const RollBudget& budget);

}  // namespace weft
