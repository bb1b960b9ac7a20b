#include "model/tied_rolls.h"

#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "generate/dice.h"
#include "support/random_source.h"

namespace weft::check {

namespace {

// The clock seconds whose rolls are compared: enough to meet every draw of a
// die many times over, spread so that the seeds differ in their high bits.
constexpr std::int64_t kSeconds = 4096;
constexpr std::int64_t kSecondStep = 104729;
// Rolls of more dice than this are left alone: comparing them costs too much.
// Rolls that always show one total are reported as such, not as tied.
constexpr std::int32_t kMostDice = 256;

struct Roll {
  const Reference* reference;
  DiceParts parts;
};

// Returns the total a Dice of `parts` rolls when it seeds the random source
// with `seed`, as weft rolls it.
std::int32_t rollFrom(const DiceParts& parts, std::uint32_t seed) {
  RandomSource random;
  random.seedRandom(seed);
  std::uint32_t total = 0;
  for (std::int32_t i = 0; i < parts.count; ++i) {
    total += static_cast<std::uint32_t>(dieFace(parts.sides, random.nextRandom()));
  }
  const auto m = static_cast<std::uint32_t>(parts.modifier);
  total = parts.positive ? total + m : total - m;
  return static_cast<std::int32_t>(total);
}

std::string ordinal(std::size_t index) {
  static const char* const kOrdinals[] = {"first", "second",  "third",  "fourth", "fifth",
                                          "sixth", "seventh", "eighth", "ninth",  "tenth"};
  if (index < std::size(kOrdinals)) return kOrdinals[index];
  return "roll " + std::to_string(index + 1);
}

// Returns how the total of the roll `later` goes with that of `first`, both
// named, over the clock's seconds; an empty text when every pair of totals
// comes up.
std::string relation(const Roll& first, const Roll& later, const std::string& laterName) {
  std::set<std::pair<std::int32_t, std::int32_t>> pairs;
  std::set<std::int32_t> firsts, laters;
  bool sameDifference = true;
  std::int64_t difference = 0;
  for (std::int64_t i = 0; i < kSeconds; ++i) {
    const std::int64_t second = 1'000'000'000 + i * kSecondStep;
    const std::uint32_t seed = diceSeed(second, second);
    const std::int32_t a = rollFrom(first.parts, seed);
    const std::int32_t b = rollFrom(later.parts, seed);
    const std::int64_t d = static_cast<std::int64_t>(b) - a;
    if (i == 0) difference = d;
    sameDifference = sameDifference && d == difference;
    pairs.emplace(a, b);
    firsts.insert(a);
    laters.insert(b);
  }
  const std::string firstName = "the first, " + shown(*first.reference);
  if (sameDifference && difference == 0) return laterName + " always equals " + firstName;
  if (sameDifference) {
    return laterName + " is always " + firstName + (difference > 0 ? ", plus " : ", minus ") +
           std::to_string(difference > 0 ? difference : -difference);
  }
  const std::size_t possible = firsts.size() * laters.size();
  if (pairs.size() == possible) return {};
  return laterName + " goes with " + firstName + " (of the " + std::to_string(possible) +
         " pairs of their totals, only " + std::to_string(pairs.size()) + " ever come up)";
}

void checkEntry(AnalysedFile& file, const CheckedEntry& entry) {
  std::vector<Roll> rolls;
  for (const ResolvedReference& r : entry.references) {
    DiceParts parts{};
    if (r.outcome != ReferenceOutcome::Dice ||
        !readDiceExpression(r.reference.target.dice, parts) || parts.count > kMostDice ||
        parts.count <= 0 || parts.sides == 0 || parts.sides == 1) {
      continue;
    }
    rolls.push_back(Roll{&r.reference, parts});
  }
  if (rolls.size() < 2) return;
  std::string ties;
  const Reference* at = nullptr;
  for (std::size_t k = 1; k < rolls.size(); ++k) {
    const std::string how = relation(
        rolls[0], rolls[k], "the " + ordinal(k) + " roll, " + shown(*rolls[k].reference) + ",");
    if (how.empty()) continue;
    if (at == nullptr) at = rolls[k].reference;
    if (!ties.empty()) ties += "; ";
    ties += how;
  }
  if (at == nullptr) return;
  file.pointAt(file.spanOf(entry, *at));
  file.add(entry.line, Severity::Warning,
           "rolls tied by the clock: every roll starts weft's random numbers again from the "
           "clock's second, so " +
               ties,
           "roll once in the line, or take the totals that go together from a table of their "
           "own (\"%table 8\" with lines such as \"20 by 30\"), referred to once");
  file.pointAt({});
}

}  // namespace

void checkTiedRolls(AnalysedFile& file) {
  for (int t = 0; t < TABLE_COUNT; ++t) {
    for (const CheckedEntry& entry : file.entries(t)) checkEntry(file, entry);
  }
}

}  // namespace weft::check
