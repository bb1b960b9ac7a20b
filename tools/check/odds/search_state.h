// The pieces of the search over the lines of a data file (line_search.h): a
// partial line, what is known of the draws made since its first dice roll,
// and the limits one search keeps to.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "datafile/data_file.h"
#include "support/random_source.h"

namespace weft::check {

// The equally likely values of one draw.
inline constexpr std::uint64_t kDraws = kDrawRange;

// Outcomes of one draw, as probabilities of the values that come out.
using Odds = std::vector<std::pair<std::string, double>>;

// Bounds of one search, so that any data file is described in bounded time
// and memory.
struct SearchLimits {
  std::uint64_t work;      // bytes of working text handled in all
  std::size_t states;      // partial lines waiting at once
  std::size_t stateBytes;  // bytes of partial lines waiting at once
  std::size_t lines;       // distinct finished lines kept
  std::size_t textBytes;   // longest working text followed
  std::uint32_t passes;    // references resolved in one line
  std::uint64_t checks;    // tests of a draw against what is known of it, in all
};

// What is known of one draw made since the line's first dice roll: the
// choice it made for a table (by its index in the table's choices) or the
// face it showed on one die; or that it was one of several dice, whose faces
// are not followed one by one.
struct DrawConstraint {
  static constexpr int kDie = -1;
  static constexpr int kOneOfSeveralDice = -2;
  int table;              // a table number, kDie or kOneOfSeveralDice
  std::uint64_t modulus;  // kDie: the faces of the die (3 for Fudge dice)
  std::uint32_t tag;      // the choice index, or the face index r mod modulus
  bool operator<(const DrawConstraint& o) const {
    return std::tie(table, modulus, tag) < std::tie(o.table, o.modulus, o.tag);
  }
  bool operator==(const DrawConstraint& o) const {
    return std::tie(table, modulus, tag) == std::tie(o.table, o.modulus, o.tag);
  }
};

// The draws of a line after its first dice roll. Every dice reference
// reseeds the random source with the same value (twice the clock's second),
// so each roll starts the same sequence of draws again: the draw at
// position k after one roll is the draw at position k after any other.
struct DrawsSinceRoll {
  bool reseeded = false;       // a dice reference has been rolled in this line
  bool lost = false;           // draws were made that are not followed (a listed file's)
  std::uint32_t seed = 0;      // the seed of the last roll
  std::uint32_t position = 0;  // draws made since the last roll
  // What is known of the draws, as (position since a roll, fact) in order:
  // one vector, so that copying a line's state costs one allocation here.
  std::vector<std::pair<std::uint32_t, DrawConstraint>> known;
  // The last roll of several dice: its count, sides and the sum of its faces.
  bool rolled = false;
  std::int32_t rollCount = 0;
  std::int32_t rollSides = 0;
  std::uint32_t faceSum = 0;

  void note(std::uint32_t at, const DrawConstraint& constraint) {
    // A line that rolls again and again makes the same draws again: what
    // is already known of a draw is not kept twice, or each repetition
    // would lengthen every later count of the draws that meet it.
    const std::pair<std::uint32_t, DrawConstraint> fact{at, constraint};
    const auto it = std::lower_bound(known.begin(), known.end(), fact);
    if (it == known.end() || !(*it == fact)) known.insert(it, fact);
  }
  // What is known of the draw at position k; nothing, for a draw not yet
  // made since the roll.
  std::vector<DrawConstraint> at(std::uint32_t k) const {
    std::vector<DrawConstraint> facts;
    auto it = std::lower_bound(known.begin(), known.end(), k,
                               [](const auto& fact, std::uint32_t p) { return fact.first < p; });
    for (; it != known.end() && it->first == k; ++it) facts.push_back(it->second);
    return facts;
  }
};

// One line of the search on its way: its text with the references still to
// resolve, and how likely the choices that made it were.
struct PartialLine {
  double probability;
  std::string text;
  std::string replacement;  // what a reference that does not resolve repeats
  std::uint32_t passes;
  DrawsSinceRoll draws;
  std::uint64_t order = 0;  // when it was queued: of equally likely lines the earlier goes first
  // The queue's order is total, so that which lines a bounded search
  // reaches does not depend on how the standard library keeps its heap.
  bool operator<(const PartialLine& other) const {
    if (probability != other.probability) return probability < other.probability;
    return order > other.order;
  }
};

// Records in `child` what its choice `index` says of the draw that made it.
using Recorder = std::function<void(PartialLine& child, std::size_t index)>;

}  // namespace weft::check
