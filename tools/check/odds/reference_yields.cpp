#include "odds/reference_yields.h"

#include <cstddef>
#include <utility>

#include "generate/listed_files.h"
#include "odds/dice_odds.h"

namespace weft::check {

namespace {

// Listed files whose lines one search follows; the lines of others are not.
constexpr std::size_t kMaxListedFilesFollowed = 16;

}  // namespace

const RollChoices& ReferenceYields::rollsOf(const std::string& expression) {
  auto it = rolls_.find(expression);
  if (it == rolls_.end()) {
    RollChoices roll;
    if (const auto values = diceTotals(expression, diceWork_, roll.lowest)) {
      roll.odds.emplace();
      for (const auto& [value, p] : *values) {
        roll.odds->emplace_back(std::to_string(value), p);
        roll.totals.push_back(value);
      }
    }
    it = rolls_.emplace(expression, std::move(roll)).first;
  }
  return it->second;
}

const Odds& ReferenceYields::loweredLinesOf(const DataFile& subfile) {
  auto it = loweredLines_.find(&subfile);
  if (it == loweredLines_.end()) {
    std::map<std::string, double> lowered;
    for (const auto& [line, p] : subfileOdds(subfile).lines) {
      std::string replacement = line;
      lowerListedLine(replacement);
      lowered[replacement] += p;
    }
    it = loweredLines_.emplace(&subfile, Odds(lowered.begin(), lowered.end())).first;
  }
  return it->second;
}

const LineOdds& ReferenceYields::subfileOdds(const DataFile& subfile) {
  auto it = subfileOdds_.find(&subfile);
  if (it == subfileOdds_.end() && subfileOdds_.size() >= kMaxListedFilesFollowed) {
    static const LineOdds kNotFollowed{{}, 0, 0, 1, false, false, false};
    return kNotFollowed;
  }
  if (it == subfileOdds_.end()) {
    it = subfileOdds_.emplace(&subfile, search_(subfile)).first;
  }
  return it->second;
}

}  // namespace weft::check
