// Reads a dice expression and rolls it, checking the total against the range
// the dice allow.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "fuzz_support.h"
#include "generate/dice.h"

namespace {

weft::fuzz::FuzzEngine* fuzz;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz = new weft::fuzz::FuzzEngine;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string_view expression(reinterpret_cast<const char*>(data), size);
  weft::Dice dice(fuzz->engine, expression);
  // weft spends one step of a line's budget per die; rolling two thousand
  // million dice is the budget's business, not the reader's.
  if (dice.count() > 100'000) return 0;
  const std::int64_t total = dice.roll();
  if (dice.count() <= 0) {
    // No die is rolled: the total is the modifier alone (wrapped).
    const std::uint32_t m = static_cast<std::uint32_t>(dice.modifier());
    const std::uint32_t expected = dice.positive() ? m : 0u - m;
    if (static_cast<std::uint32_t>(total) != expected) std::abort();
    return 0;
  }
  if (dice.count() > 1000 || dice.modifier() != 0) return 0;
  const std::int64_t count = dice.count();
  std::int64_t low = 0;
  std::int64_t high = 0;
  if (dice.sides() == weft::Dice::kFudge) {
    low = -count;
    high = count;
  } else if (dice.sides() != 0) {
    const std::int64_t sides = dice.sides() < 0 ? -std::int64_t{dice.sides()} : dice.sides();
    low = count;
    high = count * sides;
    if (high > INT32_MAX) return 0;
  }
  if (total < low || total > high) std::abort();
  return 0;
}
