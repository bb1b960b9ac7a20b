#include "generate/case_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace weft {
namespace {

struct CaseCase {
  std::string input;
  std::string expected;
};

TEST(CaseRulesTest, CapitalizeWords) {
  const CaseCase cases[] = {
      {"3RD level", "3rd Level"},
      {"'tis", "'Tis"},
      {"o'brien's x-ray", "O'brien's X-Ray"},
      {"the 3rd orc", "The 3rd Orc"},
      {" orc", " Orc"},
      {"GORNATH", "Gornath"},
      {"a''b c'", "A''b C'"},
      {"don't--stop", "Don't--Stop"},
      {"x,y;z\tw", "X,Y;Z\tW"},
      {"9lives", "9lives"},
      {"", ""},
      {"'", "'"},
      {"-- ''", "-- ''"},
      // Bytes 128 to 255 are not letters: they end a word and start none.
      {"\xE9lan", "\xE9Lan"},
      {"ab\351cd", "Ab\351Cd"},  // octal: hex escapes would take the "cd"
      {"\xC3\xA9TOILE", "\xC3\xA9Toile"},
      {"\xFF\x80", "\xFF\x80"},
  };
  for (const CaseCase& c : cases) {
    std::string line = c.input;
    capitalizeWords(line);
    EXPECT_EQ(c.expected, line) << '"' << c.input << '"';
  }
}

TEST(CaseRulesTest, CapitalizeFirst) {
  const CaseCase cases[] = {
      {"orc chieftain", "Orc chieftain"},
      {"3 orcs", "3 orcs"},
      {" orc", " orc"},
      {"oRC", "ORC"},
      {"'tis", "'tis"},
      {"\xE9lan", "\xE9lan"},
      {"", ""},
  };
  for (const CaseCase& c : cases) {
    std::string line = c.input;
    capitalizeFirst(line);
    EXPECT_EQ(c.expected, line) << '"' << c.input << '"';
  }
}

}  // namespace
}  // namespace weft
