// How the 32768 equally likely draws of one file's search fall on the
// entries of its tables and on the faces of dice: alone, or among the draws
// that meet what is known of them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "datafile/data_file.h"
#include "odds/search_state.h"

namespace weft::check {

// The choices of the tables of `file` and the counts of draws behind them,
// each worked out once.
class TableDraws {
 public:
  // `checks` bounds the tests of a draw against what is known of it, in all.
  TableDraws(const DataFile& file, std::uint64_t checks) : file_(file), checkLimit_(checks) {}

  // Returns the distinct entries of table `table` that some draw picks, with
  // their probabilities, in order of first appearance.
  const Odds& choicesOf(int table);

  // Returns how many of the draws that meet `constraints` give each value of
  // `target` (a choice index or a face), `values` values in all. Once draws
  // have been tested against what is known of them as often as the limit
  // allows, the draw is taken as independent of the earlier ones and
  // `estimated` is set.
  const std::vector<std::uint64_t>& countsGiven(const std::vector<DrawConstraint>& constraints,
                                                const DrawConstraint& target, std::size_t values,
                                                bool& estimated);

 private:
  // For each draw r of the 32768, the index in choicesOf(table) of the entry
  // it picks.
  const std::vector<std::uint32_t>& choiceOfDraw(int table);
  bool satisfies(std::uint32_t r, const std::vector<DrawConstraint>& constraints);

  const DataFile& file_;
  const std::uint64_t checkLimit_;
  std::uint64_t checks_ = 0;  // draws tested against constraints so far
  std::array<std::optional<Odds>, TABLE_COUNT> tableChoices_;
  std::array<std::vector<std::uint32_t>, TABLE_COUNT> drawChoices_;
  std::map<std::vector<DrawConstraint>, std::vector<std::uint64_t>> conditional_;
};

// Returns the probability of each of `choices` (in their order) that the
// draws `counts` give it.
Odds weighted(const Odds& choices, const std::vector<std::uint64_t>& counts);

}  // namespace weft::check
