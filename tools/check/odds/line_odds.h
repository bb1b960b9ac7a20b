// The odds of the lines one generate call yields, as the search over a data
// file's lines finds them.
#pragma once

#include <map>
#include <string>

namespace weft::check {

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

  bool operator==(const LineOdds&) const = default;
};

}  // namespace weft::check
