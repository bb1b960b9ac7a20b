// Reference expansion: which reference a pass takes, how each kind resolves,
// the diagnostics, and the limits of a runaway line. (The order of the draws,
// the reseeding by dice and references to files listed twice are checked end
// to end.)
#include "generate/expand.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "testing/test_support.h"

namespace weft {
namespace {

using testing::endingOf;
using testing::ScratchDir;
using testing::writeFile;

constexpr std::int64_t kNow = 1767225600;

// Every filled table holds exactly one entry, so lines come out the same
// whatever the draws.
constexpr const char* kFixedTables =
    "w\n"
    "%table1\nx\n"
    "%table2\ny\n"
    "%table3\n(table1)(table2)\n"
    "%table11\n(note\n";

class ExpandTest : public ::testing::Test {
 protected:
  DataFile load(const std::string& name, const std::string& content) {
    writeFile(name, content);
    return DataFile(test_.engine, name, nullptr);
  }

  // Expands `text`, returning the result and what went to standard error.
  std::string expand(const DataFile& file, const std::string& text, std::string* err = nullptr) {
    test_.console.clear();
    std::string result = expandReferences(test_.engine, file, text);
    const std::string captured = test_.console.err();
    if (err != nullptr) {
      *err = captured;
    } else {
      EXPECT_EQ("", captured) << text;
    }
    return result;
  }

  // Expands `text` to its end and returns how it ended ("" when it did not
  // end the run).
  std::string ending(const DataFile& file, const std::string& text) {
    return endingOf([&] { expandReferences(test_.engine, file, text); });
  }

  ScratchDir dir_;
  testing::TestEngine test_{kNow};
};

TEST_F(ExpandTest, ReferencesResolveLeftmostFirst) {
  const DataFile file = load("refs.dat", kFixedTables);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a (table1) b", "a x b"},
      {"no references", "no references"},
      {"(table)", "w"},
      {"(tablex)", "w"},
      // The text a replacement brings in is expanded before what follows.
      {"(table3)", "xy"},
      {"(table3) (table1)", "xy x"},
      // A reference runs from the first "(" to the first ")" behind it.
      {"((table1)", "x"},
      {"(table1))", "x)"},
      {")(", ")("},
      {"1) (table1) (2) 3)", "1) x x 3)"},
      // Matching is exact as to case.
      {"(TABLE1) (Random 1d1+0)", " "},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(expected, expand(file, text)) << text;
  }
}

TEST_F(ExpandTest, UnresolvedReferenceRepeatsTheLatestReplacement) {
  const DataFile file = load("refs.dat", kFixedTables);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"sword (note)", "sword "},
      {"(note) (table1)", " x"},
      {"(table1) and (note)", "x and x"},
      {"(table1)(table2)()", "xyy"},
      // The entry of table 3 brings in two references; table 2's is the latest.
      {"(table3)(note)", "xyy"},
      {"(random 0d6+7) (note)", "7 7"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(expected, expand(file, text)) << text;
  }
}

TEST_F(ExpandTest, DiceComeBeforeTablesAndTablesBeforeNames) {
  const DataFile file = load("refs.dat", kFixedTables);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"(random 1d1+0)", "1"},
      {"(random 1d1+0 table 3)", "1"},
      {"(table 3 random 0d6+5)", "5"},
      {"(random 0d6-7)", "-7"},
      {"(random 0d6+2147483647)", "2147483647"},
      {"(random 0d6--2147483648)", "-2147483648"},
      {"(random 0d6+007)", "7"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(expected, expand(file, text)) << text;
  }
}

TEST_F(ExpandTest, TableNumberOutOfRangeIsReportedAndExpansionGoesOn) {
  const DataFile file = load("refs.dat", kFixedTables);
  struct Case {
    std::string text;
    std::string expected;
    std::string err;
  };
  const std::vector<Case> cases = {
      {"(table20)(table1)", "x", "Invalid table referenced: (table20)(table1)\n"},
      // Numbers too large for 32 bits never wrap round into range.
      {"(table4294967296)", "", "Invalid table referenced: (table4294967296)\n"},
      {"(table-4294967295)", "", "Invalid table referenced: (table-4294967295)\n"},
  };
  for (const Case& c : cases) {
    std::string err;
    EXPECT_EQ(c.expected, expand(file, c.text, &err)) << c.text;
    EXPECT_EQ(c.err, err) << c.text;
  }
}

class ListedFileTest : public ExpandTest {
 protected:
  void SetUp() override {
    writeFile("other.dat", "x (inner.dat) y\n%files\ninner.dat\n");
    writeFile("inner.dat", "deep\n");
    writeFile("empty.dat", "%table1\nz\n");
  }
};

TEST_F(ListedFileTest, NameReferenceGeneratesFromTheListedFileInLowerCase) {
  const DataFile file = load("main.dat", "x\n%table1\nx\n%files\nother.dat\nempty.dat\n");
  const std::vector<std::pair<std::string, std::string>> cases = {
      // Listed files of listed files are loaded but cannot be referred to.
      {"(other.dat)", "x  y"},
      {"(other.dat )", ""},
      {"( other.dat)", ""},
      {"(inner.dat)", ""},
      // A listed file with an empty table 0 gives an empty replacement.
      {"(table1)(empty.dat)(note)", "x"},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(expected, expand(file, text)) << text;
  }
}

TEST_F(ListedFileTest, EmptyLineOfAListedFileEndsTheRun) {
  writeFile("blank.dat", "(note)\n");
  const DataFile file = load("main.dat", "x\n%files\nblank.dat\n");
  EXPECT_EQ("-3 Zero length string", ending(file, "a (blank.dat) b"));
}

TEST_F(ExpandTest, LongReferenceThatRepeatsForEverEnds) {
  // Each pass copies a kilobyte; the step limit alone would allow a gigabyte.
  const DataFile file = load("long.dat", "w\n%table1\n(" + std::string(1000, 'j') + ")\n");
  EXPECT_EQ(
      "-10 Expansion too long in long.dat: more than 268435456 bytes of references and "
      "replacements in one line",
      ending(file, "(table1)"));
}

TEST_F(ExpandTest, DiceCountAsStepsBeforeTheyRoll) {
  const DataFile file = load("refs.dat", kFixedTables);
  // One pass plus 999,999 dice is exactly the limit.
  EXPECT_EQ("999999", expand(file, "(random 999999d1+0)"));
  // The limits count per line: the next line starts afresh.
  EXPECT_EQ("999999", expand(file, "(random 999999d1+0)"));
  EXPECT_EQ("-10 Expansion too long in refs.dat: more than 1000000 steps in one line",
            ending(file, "(random 1000000d1+0)"));
}

TEST_F(ListedFileTest, ListedFilesSpendFromTheLineOfTheirCaller) {
  writeFile("dice.dat", "(random 600000d1+0)\n");
  const DataFile file = load("main.dat", "x\n%files\ndice.dat\n");
  EXPECT_EQ("600000", expand(file, "(dice.dat)"));
  EXPECT_EQ("-10 Expansion too long in main.dat: more than 1000000 steps in one line",
            ending(file, "(dice.dat)(random 600000d1+0)"));
}

TEST_F(ExpandTest, DiagnosticsOfOneLineAreBounded) {
  const DataFile file = load("refs.dat", kFixedTables);
  test_.engine.limits.maxDiagnosticBytes = 60;
  test_.console.clear();
  EXPECT_EQ("-10 Expansion too long in refs.dat: more than 60 bytes of diagnostics in one line",
            ending(file, "(table20)(table20)(table20)"));
  EXPECT_EQ("Invalid table referenced: (table20)(table20)(table20)\n", test_.console.err());
}

}  // namespace
}  // namespace weft
