// The odds of dice: the totals of a dice expression and how likely each is.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "generate/dice.h"

namespace weft::check {

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

  bool operator==(const DiceOdds&) const = default;
};

// Returns the totals of `expression` with their probabilities, the dice
// taken as independent (an expression that does not read rolls 0), or
// nothing when there are too many to follow; then `lowestTotal` is the
// lowest total, which some roll yields. `work` counts the steps of the sums
// made so far and is charged for this one.
std::optional<std::map<std::int32_t, double>> diceTotals(std::string_view expression, double& work,
                                                         std::int32_t& lowestTotal);

// Returns `sum` with the modifier of `parts` added or taken away, wrapping
// round in 32 bits as the roll does.
std::uint32_t withModifier(const DiceParts& parts, std::uint32_t sum);

// Returns the odds of `expression` as found in `table`; the line is left 0.
DiceOdds diceOddsOf(const std::string& expression, int table);

}  // namespace weft::check
