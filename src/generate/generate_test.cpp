#include <gtest/gtest.h>

#include <string>

#include "datafile/data_file.h"
#include "support/random_source.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::nthDraw;
using testing::ScratchDir;
using testing::writeFile;

DataFile loadFile(const std::string& content) {
  writeFile("test.dat", content);
  return DataFile("test.dat", nullptr);
}

TEST(GenerateTest, EachLineDrawsOnce) {
  ScratchDir dir;
  const DataFile file = loadFile("orc chieftain\n");
  randomSource().seedRandom(7);
  EXPECT_EQ("Orc chieftain", file.generate());
  EXPECT_EQ("Orc chieftain", file.generate());
  EXPECT_EQ(nthDraw(7, 2), randomSource().nextRandom());
}

TEST(GenerateTest, EmptyTableGivesEmptyLineWithoutDrawing) {
  ScratchDir dir;
  const DataFile file = loadFile("%table 1\norc\n");
  randomSource().seedRandom(7);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ("", file.generate());
  EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
  EXPECT_EQ(nthDraw(7, 0), randomSource().nextRandom());
}

TEST(GenerateTest, PickIsTheDrawModuloTheTableSize) {
  ScratchDir dir;
  const DataFile file = loadFile("a:1\nb:3\n");
  for (std::uint32_t seed = 0; seed < 40; ++seed) {
    randomSource().seedRandom(seed);
    EXPECT_EQ(nthDraw(seed, 0) % 4 == 0 ? "A" : "B", file.generate()) << seed;
  }
}

TEST(GenerateTest, PlainRuleRaisesOnlyAFirstLetter) {
  ScratchDir dir;
  const struct {
    std::string entry;
    std::string expected;
  } cases[] = {
      {"orc chieftain", "Orc chieftain"},
      {"3 orcs", "3 orcs"},
      {"-orc", "-orc"},
      {"\xe9orc", "\xe9orc"},
      {"(table1) sword\n%table 1\niron", "Iron sword"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, loadFile(c.entry).generate()) << c.entry;
}

TEST(GenerateDeathTest, EmptyLineEndsTheRun) {
  ScratchDir dir;
  const DataFile file = loadFile(" \t\n");
  EXPECT_EXIT(file.generate(), ::testing::ExitedWithCode(253), "^Zero length string\n$");
}

}  // namespace
}  // namespace weft
