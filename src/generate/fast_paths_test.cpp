// The short cuts of generation: the usual forms of table and dice references
// read directly, at the edges of those forms, and working buffers kept from
// one line to the next.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "generate/dice.h"
#include "generate/expand.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::FrozenClock;
using testing::ScratchDir;
using testing::writeFile;

TEST(FastPathTest, DiceAtTheEdgesOfTheUsualForm) {
  struct Case {
    const char* text;
    std::int32_t count, sides;
    bool positive;
    std::int32_t modifier;
  };
  const Case cases[] = {
      {"123456789d987654321+123456789", 123456789, 987654321, true, 123456789},
      {"1234567890d6+0", 1234567890, 6, true, 0},
      {"3d1234567890-0", 3, 1234567890, false, 0},
      {"3d6-12345678901", 3, 6, false, 2147483647},
      {" 3d6+1 ", 3, 6, true, 1},
      {"3d6+1d", 3, 6, true, 1},
      {"3dd6+1", 3, 6, true, 1},
      {"3d6+ 1", 3, 6, true, 1},
  };
  for (const Case& c : cases) {
    DiceParts parts{};
    ASSERT_TRUE(readDiceExpression(c.text, parts)) << c.text;
    EXPECT_EQ(c.count, parts.count) << c.text;
    EXPECT_EQ(c.sides, parts.sides) << c.text;
    EXPECT_EQ(c.positive, parts.positive) << c.text;
    EXPECT_EQ(c.modifier, parts.modifier) << c.text;
  }
  for (const char* text : {"3d6", "3d6+", "d6+1", "3d+", "3x6+1"}) {
    DiceParts parts{7, 7, false, 7};
    EXPECT_FALSE(readDiceExpression(text, parts)) << text;
    EXPECT_EQ(7, parts.count) << text;
  }
}

TEST(FastPathTest, TableNumbersAtTheEdgesOfTheUsualForm) {
  ScratchDir dir;
  FrozenClock clock(1767225600);
  writeFile("t.dat", "zero\n%table9\nnine\n%table19\nnineteen\n");
  const DataFile file("t.dat", nullptr);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(table9)", "nine"},   {"(table09)", "nine"}, {"(table19)", "nineteen"},
      {"(table009)", "nine"}, {"(table9 )", "nine"}, {"(table9random 0d6+4)", "4"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(expected, expandReferences(file, text));
  for (const char* text : {"(table20)", "(table99)", "(table100)", "(table-1)"}) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ("", expandReferences(file, text)) << text;
    EXPECT_EQ(std::string("Invalid table referenced: ") + text + "\n",
              ::testing::internal::GetCapturedStderr());
  }
}

TEST(FastPathTest, KeptBuffersLeaveNothingBehind) {
  ScratchDir dir;
  FrozenClock clock(1767225600);
  // Each table holds one entry, so every line is known; a listed file's line
  // is expanded with buffers of its own, between uses of the outer ones.
  writeFile("sub.dat", "Sub (table1) end\n%table1\n(table2)(table2)\n%table2\nWord\n");
  writeFile("main.dat",
            "%files\nsub.dat\n%table0\n"
            "(table1)\n%table1\n(table2) (sub.dat) (table3) (sub.dat)\n"
            "%table2\n" +
                std::string(900, 'x') + " (table3)\n%table3\nend\n");
  const DataFile file("main.dat", nullptr);
  const std::string x(900, 'x');
  const std::string sub = "sub wordword end";
  std::string whole = x;
  whole.append(" end ").append(sub).append(" end ").append(sub);
  std::string twice = x;
  twice.append(" end").append(x).append(" end");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(table1)", whole}, {"a (table3)", "a end"}, {"(table2)(table2)", twice},
      {"b", "b"},          {"(sub.dat)", sub},      {"(table3)", "end"},
  };
  for (int round = 0; round < 2; ++round) {
    for (const auto& [text, expected] : cases) EXPECT_EQ(expected, expandReferences(file, text));
  }
  std::string capitalized = whole;
  capitalized[0] = 'X';
  std::string line = "old contents";
  for (int round = 0; round < 2; ++round) {
    file.generateInto(line);
    EXPECT_EQ(capitalized, line);
  }
}

}  // namespace
}  // namespace weft
