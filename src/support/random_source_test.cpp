#include "support/random_source.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace weft {
namespace {

std::vector<std::uint32_t> draws(RandomSource& source, int n) {
  std::vector<std::uint32_t> result;
  for (int i = 0; i < n; ++i) result.push_back(source.nextRandom());
  return result;
}

TEST(RandomSourceTest, UnseededSourceStartsFromOneAndSeedingRestarts) {
  RandomSource source;
  EXPECT_EQ((std::vector<std::uint32_t>{41, 18467, 6334, 26500}), draws(source, 4));
  source.seedRandom(1767225600u);
  EXPECT_EQ((std::vector<std::uint32_t>{13385, 16723, 31415}), draws(source, 3));
  source.seedRandom(1);
  EXPECT_EQ(41u, source.nextRandom());
}

TEST(RandomSourceTest, StateWrapsModulo2To32) {
  RandomSource source;
  source.seedRandom(0xFFFFFFFFu);
  EXPECT_EQ(35u, source.nextRandom());
  EXPECT_EQ(2316998u, source.state());
}

}  // namespace
}  // namespace weft
