#include "odds/dice_odds.h"

#include <algorithm>
#include <limits>
#include <tuple>

#include "support/random_source.h"

namespace weft::check {

namespace {

constexpr std::uint64_t kDraws = kDrawRange;  // equally likely values of one draw

// Bounds of the sums, so that any expression is worked out in bounded time:
// the totals of one expression, and the steps of the sums of all expressions
// that share one count of work.
constexpr std::size_t kMostTotals = 40'000;
constexpr double kMostWork = 5e7;

// One die: its lowest face and the probability of each face from there, as
// the share of the 32768 draws that show it.
struct Die {
  std::int64_t lowest = 0;
  std::vector<double> faces;
};

Die dieOf(const DiceParts& parts) {
  Die die;
  const std::uint64_t modulus = dieModulus(parts.sides);
  if (modulus == 0) {
    die.faces = {1.0};  // a die of 0 sides shows 0 whatever is drawn
    return die;
  }
  // A draw r shows the face of its remainder r mod modulus; remainders from
  // 32768 on are never drawn.
  const std::uint64_t remainders = std::min(modulus, kDraws);
  std::int64_t highest = dieFace(parts.sides, 0);
  die.lowest = highest;
  for (std::uint64_t f = 1; f < remainders; ++f) {
    const std::int64_t face = dieFace(parts.sides, static_cast<std::uint32_t>(f));
    die.lowest = std::min(die.lowest, face);
    highest = std::max(highest, face);
  }
  die.faces.assign(static_cast<std::size_t>(highest - die.lowest + 1), 0.0);
  for (std::uint64_t f = 0; f < remainders; ++f) {
    // The draws r below 32768 with r mod modulus == f.
    const std::uint64_t draws = (kDraws - 1 - f) / modulus + 1;
    const std::int64_t face = dieFace(parts.sides, static_cast<std::uint32_t>(f));
    die.faces[static_cast<std::size_t>(face - die.lowest)] += static_cast<double>(draws) / kDraws;
  }
  return die;
}

// Returns the probabilities of the sums of `count` rolls of `die`, from
// count * lowest upwards.
std::vector<double> sumsOf(const Die& die, std::uint64_t count) {
  const std::uint64_t spread = die.faces.size() - 1;
  std::vector<double> sum{1.0};
  for (std::uint64_t i = 0; i < count; ++i) {
    std::vector<double> next(sum.size() + spread, 0.0);
    for (std::size_t s = 0; s < sum.size(); ++s) {
      for (std::size_t f = 0; f < die.faces.size(); ++f) next[s + f] += sum[s] * die.faces[f];
    }
    sum = std::move(next);
  }
  return sum;
}

// Returns the lowest and the highest total a roll of `parts` can show, as
// the roll computes it: the sum of the dice and the modifier wrap round in
// 32 bits, so a range that crosses the ends of the 32-bit integers covers
// every total from the least to the greatest.
std::pair<std::int64_t, std::int64_t> totalRange(const DiceParts& parts, const Die& die) {
  const auto count = static_cast<std::int64_t>(std::max(parts.count, 0));
  const std::int64_t modifier =
      parts.positive ? std::int64_t{parts.modifier} : -std::int64_t{parts.modifier};
  const std::int64_t spread = count * static_cast<std::int64_t>(die.faces.size() - 1);
  const std::int64_t first = count * die.lowest + modifier;
  const auto wrapped = [](std::int64_t total) {
    return std::int64_t{static_cast<std::int32_t>(static_cast<std::uint32_t>(total))};
  };
  constexpr std::int64_t kTotals = std::int64_t{1} << 32;
  const std::int64_t lowest = wrapped(first);
  const std::int64_t highest = wrapped(first + spread);
  if (spread >= kTotals - 1 || highest < lowest) {
    return {std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()};
  }
  return {lowest, highest};
}

}  // namespace

std::uint32_t withModifier(const DiceParts& parts, std::uint32_t sum) {
  const auto modifier = static_cast<std::uint32_t>(parts.modifier);
  return parts.positive ? sum + modifier : sum - modifier;
}

std::optional<std::map<std::int32_t, double>> diceTotals(std::string_view expression, double& work,
                                                         std::int32_t& lowestTotal) {
  DiceParts parts{};
  std::map<std::int32_t, double> result;
  if (!readDiceExpression(expression, parts)) {
    result[0] = 1;  // weft rolls 0 for an expression that does not read
    return result;
  }
  const Die die = dieOf(parts);
  const auto count = static_cast<std::uint64_t>(std::max(parts.count, 0));
  const std::uint64_t spread = die.faces.size() - 1;
  const std::int64_t first = static_cast<std::int64_t>(count) * die.lowest;
  if (count * spread + 1 > kMostTotals) {
    lowestTotal = static_cast<std::int32_t>(withModifier(parts, static_cast<std::uint32_t>(first)));
    return std::nullopt;
  }
  work += static_cast<double>(count) * static_cast<double>(count * spread + 1) *
          static_cast<double>(die.faces.size());
  if (work > kMostWork) {
    lowestTotal = static_cast<std::int32_t>(withModifier(parts, static_cast<std::uint32_t>(first)));
    return std::nullopt;
  }
  const std::vector<double> sum = sumsOf(die, count);
  for (std::size_t s = 0; s < sum.size(); ++s) {
    if (sum[s] <= 0) continue;
    // Totals wrap round in 32 bits, as the roll computes them.
    const auto total = static_cast<std::uint32_t>(first + static_cast<std::int64_t>(s));
    result[static_cast<std::int32_t>(withModifier(parts, total))] += sum[s];
  }
  return result;
}

DiceOdds diceOddsOf(const std::string& expression, int table) {
  DiceOdds dice;
  dice.expression = expression;
  dice.table = table;
  DiceParts parts{};
  dice.reads = readDiceExpression(expression, parts);
  double work = 0;
  std::int32_t lowest = 0;
  if (const auto values = diceTotals(expression, work, lowest)) {
    dice.totals.assign(values->begin(), values->end());
    dice.lowest = dice.totals.front().first;
    dice.highest = dice.totals.back().first;
  } else {
    dice.lowest = lowest;
    dice.highest = lowest;
  }
  dice.exact = !dice.reads || parts.count <= 1;
  if (dice.reads && dice.totals.empty()) {
    std::tie(dice.lowest, dice.highest) = totalRange(parts, dieOf(parts));
  }
  return dice;
}

}  // namespace weft::check
