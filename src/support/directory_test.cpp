#include "support/directory.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace weft {
namespace {

TEST(OperandTest, SplitsAtTheLastBackslashAndJoinsBack) {
  struct Case {
    std::string operand;
    std::optional<std::string> directory;
    std::string filename;
  };
  const Case cases[] = {
      {"tavern.dat", std::nullopt, "tavern.dat"},
      {"lore\\kin.dat", "lore", "kin.dat"},
      {"a\\b\\c.dat", "a\\b", "c.dat"},
      {"lore/deep\\kin.dat", "lore/deep", "kin.dat"},
      {"lore/kin.dat", std::nullopt, "lore/kin.dat"},
  };
  for (const Case& c : cases) {
    const Operand split = splitOperand(c.operand);
    EXPECT_EQ(c.directory, split.directory) << c.operand;
    EXPECT_EQ(c.filename, split.filename) << c.operand;
    EXPECT_EQ(c.operand, joinOperand(split.directory.value_or(""), split.filename)) << c.operand;
  }
}

}  // namespace
}  // namespace weft
