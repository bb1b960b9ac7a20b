// What the dice and file-name references of one search yield whatever the
// draws of the line before them: each worked out once.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "odds/line_odds.h"
#include "odds/search_state.h"

namespace weft::check {

// The totals of one dice expression, as choices of a search.
struct RollChoices {
  std::optional<Odds> odds;          // none when there are too many totals
  std::vector<std::int32_t> totals;  // the total each of `odds` shows
  std::int32_t lowest = 0;
};

// The totals of the dice expressions and the lines of the listed files that
// one search meets.
class ReferenceYields {
 public:
  // Follows the lines of a listed file, generated from a copy without
  // sub-files of its own.
  using Search = LineOdds (*)(const DataFile& subfile);

  // `search` follows the lines of each listed file.
  explicit ReferenceYields(Search search) : search_(search) {}

  const RollChoices& rollsOf(const std::string& expression);

  // Returns the odds of the lines of the listed file `subfile`; beyond a
  // number of listed files, none followed.
  const LineOdds& subfileOdds(const DataFile& subfile);

  // The lines of subfileOdds(), folded to lower case as a reference brings
  // them in.
  const Odds& loweredLinesOf(const DataFile& subfile);

 private:
  const Search search_;
  std::map<const DataFile*, LineOdds> subfileOdds_;
  std::map<const DataFile*, Odds> loweredLines_;
  std::map<std::string, RollChoices> rolls_;
  double diceWork_ = 0;
};

}  // namespace weft::check
