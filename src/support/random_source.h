// The one random number generator of a run: a 32-bit linear congruential
// generator whose draws are 15-bit numbers.
#pragma once

#include <cstdint>

namespace weft {

// The number of equally likely values of one draw, 0 to kDrawRange - 1. A
// pick from a table of n positions takes a draw modulo n, so positions from
// kDrawRange on are never picked.
inline constexpr std::uint32_t kDrawRange = 32768;
static_assert((kDrawRange & (kDrawRange - 1)) == 0, "draws are the low bits of the state");

class RandomSource {
 public:
  void seedRandom(std::uint32_t seed) { state_ = seed; }

  // Returns a number from 0 to kDrawRange - 1 and advances the state.
  std::uint32_t nextRandom() {
    state_ = state_ * 214013u + 2531011u;
    return (state_ >> 16) & (kDrawRange - 1);
  }

  std::uint32_t state() const { return state_; }

 private:
  std::uint32_t state_ = 1;
};

}  // namespace weft
