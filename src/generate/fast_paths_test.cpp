// The short cuts of generation: the usual form of table references read
// directly, at the edges of that form, and working buffers kept from one line
// to the next. (Dice at the edges of their usual form are in dice_test.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "generate/expand.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::ScratchDir;
using testing::writeFile;

TEST(FastPathTest, TableNumbersAtTheEdgesOfTheUsualForm) {
  ScratchDir dir;
  testing::TestEngine test(1767225600);
  writeFile("t.dat", "zero\n%table9\nnine\n%table19\nnineteen\n");
  const DataFile file(test.engine, "t.dat", nullptr);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(table9)", "nine"},   {"(table09)", "nine"}, {"(table19)", "nineteen"},
      {"(table009)", "nine"}, {"(table9 )", "nine"}, {"(table9random 0d6+4)", "4"},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(expected, expandReferences(test.engine, file, text));
  for (const char* text : {"(table20)", "(table99)", "(table100)", "(table-1)"}) {
    test.console.clear();
    EXPECT_EQ("", expandReferences(test.engine, file, text)) << text;
    EXPECT_EQ(std::string("Invalid table referenced: ") + text + "\n", test.console.err());
  }
}

TEST(FastPathTest, KeptBuffersLeaveNothingBehind) {
  ScratchDir dir;
  testing::TestEngine test(1767225600);
  // Each table holds one entry, so every line is known; a listed file's line
  // is expanded with buffers of its own, between uses of the outer ones.
  writeFile("sub.dat", "Sub (table1) end\n%table1\n(table2)(table2)\n%table2\nWord\n");
  writeFile("main.dat",
            "%files\nsub.dat\n%table0\n"
            "(table1)\n%table1\n(table2) (sub.dat) (table3) (sub.dat)\n"
            "%table2\n" +
                std::string(900, 'x') + " (table3)\n%table3\nend\n");
  const DataFile file(test.engine, "main.dat", nullptr);
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
    for (const auto& [text, expected] : cases)
      EXPECT_EQ(expected, expandReferences(test.engine, file, text));
  }
  std::string capitalized = whole;
  capitalized[0] = 'X';
  std::string line = "old contents";
  for (int round = 0; round < 2; ++round) {
    file.generateInto(test.engine, line);
    EXPECT_EQ(capitalized, line);
  }
}

}  // namespace
}  // namespace weft
