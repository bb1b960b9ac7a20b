// The one random number generator of a run: a 32-bit linear congruential
// generator whose draws are 15-bit numbers.
#pragma once

#include <cstdint>

namespace weft {

class RandomSource {
 public:
  void seedRandom(std::uint32_t seed) { state_ = seed; }

  // Returns a number from 0 to 32767 and advances the state.
  std::uint32_t nextRandom() {
    state_ = state_ * 214013u + 2531011u;
    return (state_ >> 16) & 0x7FFFu;
  }

  std::uint32_t state() const { return state_; }

 private:
  std::uint32_t state_ = 1;
};

// The generator shared by the driver, generation and dice.
RandomSource& randomSource();

}  // namespace weft
