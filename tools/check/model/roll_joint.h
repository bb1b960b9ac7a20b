// The totals of two rolls of one line. Every roll reseeds the random source
// from the clock's second, so within a line each roll's dice take the same
// draws again: the k-th die of one roll and the k-th die of another show the
// remainders of one draw. The picks made after a roll take the draws behind
// its dice, and where a later roll has more dice, its extra dice take those
// very draws again. Draws at different places are taken as independent.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

#include "generate/dice.h"

namespace weft::check {

// A pick made after the line's first roll: the draw at `index` (counted from
// 0 behind the last roll, whose dice took the draws before it) picked one of
// the positions `runs` ([first, end) each) of a table of `size` positions.
struct PickedDraw {
  std::uint32_t index;
  std::uint64_t size;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> runs;

  bool operator==(const PickedDraw&) const = default;
  bool operator<(const PickedDraw& o) const {
    return std::tie(index, size, runs) < std::tie(o.index, o.size, o.runs);
  }
};

// The sums of the dice of two rolls, modifiers left out, as a grid: the
// chance of each pair of sums, from the lowest sums up. Two rolls of the same
// dice show the same sums: the grid then holds the first's alone.
struct JointSums {
  std::int64_t lowestFirst = 0;
  std::int64_t lowestSecond = 0;
  std::size_t widthFirst = 1;
  std::size_t widthSecond = 1;
  std::vector<double> chances{1.0};  // [first * widthSecond + second]
  bool sameDice = false;             // the second's sum is the first's

  double at(std::size_t first, std::size_t second) const {
    return chances[first * widthSecond + second];
  }
};

// Returns true when rolls of `parts` can be compared with others: dice that
// read, at least one and at most a few dozen of them, with two or more faces.
bool comparableDice(const DiceParts& parts);

// Returns true when rolls of `first` and `second` throw the same dice: as
// many, with the same faces.
bool sameDice(const DiceParts& first, const DiceParts& second);

// Works out the joint sums of pairs of rolls within a fixed budget of work,
// keeping what one draw shows to the dice and picks at its place.
class JointDice {
 public:
  // Returns the chance of each pair of sums of `first` and `second`, rolled
  // in one line, with every pick of `picks` falling as it says, times
  // `scale`; null when the grid is too large or the budget is spent. The
  // grid holds the picks that take a draw some die of the two takes too;
  // `scale` is set to the chance of the others. It stays valid as long as
  // the JointDice.
  // REQUIRES: comparableDice() of both
  const JointSums* sums(const DiceParts& first, const DiceParts& second,
                        std::span<const PickedDraw> picks, double& scale);

 private:
  // Two rolls' dice and the picks that share their draws.
  struct Key {
    std::int32_t firstCount, firstSides, secondCount, secondSides;
    std::vector<PickedDraw> picks;
    bool operator<(const Key& o) const {
      return std::tie(firstCount, firstSides, secondCount, secondSides, picks) <
             std::tie(o.firstCount, o.firstSides, o.secondCount, o.secondSides, o.picks);
    }
  };
  std::optional<JointSums> grid(const Key& key);

  // What the dice and picks at one place make of its draw: the chance of
  // each pair of faces (indices from the lowest face), as a grid.
  struct Place {
    std::int32_t firstSides;        // 0: no die of the first roll here
    std::int32_t secondSides;       // 0: no die of the second roll here
    std::vector<PickedDraw> picks;  // their indices set to 0
    bool operator<(const Place& o) const {
      return std::tie(firstSides, secondSides, picks) <
             std::tie(o.firstSides, o.secondSides, o.picks);
    }
  };
  const std::vector<double>* facesAt(const Place& place);
  bool spend(double amount);

  std::map<Place, std::vector<double>> places_;
  std::map<Key, std::optional<JointSums>> grids_;
  double work_ = 0;
};

}  // namespace weft::check
