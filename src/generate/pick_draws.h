// How likely a pick is to land on each position of a table: the pick's rule
// (a draw modulo the table's size) seen from the draws, for tools that show
// or carry a table's odds.
#pragma once

#include <algorithm>
#include <cstdint>

#include "support/random_source.h"

namespace weft {

// Returns how many of the kDrawRange equally likely draws pick one of the
// positions from `first` up to but not including `end` of a table of `size`
// positions. A draw r picks position r mod size, so positions from
// kDrawRange on get none.
// REQUIRES: first <= end <= size, size > 0
constexpr std::uint64_t drawsOfPositions(std::uint64_t size, std::uint64_t first,
                                         std::uint64_t end) {
  constexpr std::uint64_t kDraws = kDrawRange;
  // Draws r with r mod size < x, for x <= size.
  const auto below = [size](std::uint64_t x) {
    return (kDraws / size) * x + std::min(kDraws % size, x);
  };
  return below(end) - below(first);
}

static_assert(drawsOfPositions(4, 0, 1) == 8192);
static_assert(drawsOfPositions(3, 0, 1) == 10923 && drawsOfPositions(3, 1, 3) == 21845);
static_assert(drawsOfPositions(40000, 32767, 40000) == 1);

}  // namespace weft
