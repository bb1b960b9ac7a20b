// The line a data file generates: one draw from table 0 per line, the pick
// being the draw modulo the table size. (Empty tables, empty lines and the
// capital letter are checked end to end.)
#include <gtest/gtest.h>

#include <string>

#include "datafile/data_file.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::nthDraw;
using testing::ScratchDir;
using testing::writeFile;

DataFile loadFile(Engine& engine, const std::string& content) {
  writeFile("test.dat", content);
  return DataFile(engine, "test.dat", nullptr);
}

TEST(GenerateTest, EachLineDrawsOnce) {
  ScratchDir dir;
  testing::TestEngine test;
  const DataFile file = loadFile(test.engine, "orc chieftain\n");
  test.engine.random.seedRandom(7);
  EXPECT_EQ("Orc chieftain", file.generate(test.engine));
  EXPECT_EQ("Orc chieftain", file.generate(test.engine));
  EXPECT_EQ(nthDraw(7, 2), test.engine.random.nextRandom());
}

TEST(GenerateTest, PickIsTheDrawModuloTheTableSize) {
  ScratchDir dir;
  testing::TestEngine test;
  const DataFile file = loadFile(test.engine, "a:1\nb:3\n");
  for (std::uint32_t seed = 0; seed < 40; ++seed) {
    test.engine.random.seedRandom(seed);
    EXPECT_EQ(nthDraw(seed, 0) % 4 == 0 ? "A" : "B", file.generate(test.engine)) << seed;
  }
}

}  // namespace
}  // namespace weft
