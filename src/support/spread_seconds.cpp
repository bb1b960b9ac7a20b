#include "support/spread_seconds.h"

#include <algorithm>

#include "support/random_source.h"

namespace weft {

std::uint32_t firstDrawAt(std::int64_t second, std::int64_t seedOffset) {
  RandomSource random;
  random.seedRandom(static_cast<std::uint32_t>(second) + static_cast<std::uint32_t>(seedOffset));
  return random.nextRandom();
}

std::vector<std::int64_t> spreadSeconds(std::size_t count, std::int64_t start,
                                        std::int64_t seedOffset) {
  std::vector<std::int64_t> seconds;
  seconds.reserve(count);
  const std::uint32_t base = firstDrawAt(start, seedOffset);
  std::int64_t second = start;
  std::vector<std::int64_t> round;
  while (seconds.size() < count) {
    const std::size_t wanted = std::min<std::size_t>(kDrawRange, count - seconds.size());
    round.assign(wanted, -1);
    std::vector<bool> found(wanted, false);
    for (std::size_t missing = wanted; missing > 0; ++second) {
      const std::size_t index = (firstDrawAt(second, seedOffset) - base + kDrawRange) % kDrawRange;
      if (index < wanted && !found[index]) {
        found[index] = true;
        round[index] = second;
        --missing;
      }
    }
    seconds.insert(seconds.end(), round.begin(), round.end());
  }
  return seconds;
}

}  // namespace weft
