#include "generate/reference.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "datafile/data_file.h"

namespace weft {
namespace {

TEST(ReferenceTest, FindsTheFirstOpenAndTheFirstCloseBehindIt) {
  constexpr std::size_t npos = std::string_view::npos;
  struct Case {
    std::string_view text;
    std::size_t open, close;
  } cases[] = {
      {"a (table1) b", 2, 9},       {"a (b (c) d)", 2, 7}, {"x)(y", 2, npos},
      {"no reference", npos, npos}, {"()", 0, 1},          {") (", 2, npos},
  };
  for (const Case& c : cases) {
    const ReferenceSpan span = findReference(c.text);
    EXPECT_EQ(c.open, span.open) << c.text;
    EXPECT_EQ(c.close, span.close) << c.text;
  }
  EXPECT_EQ("b (c", findReference("a (b (c) d)").inner("a (b (c) d)"));
}

TEST(ReferenceTest, RandomComesBeforeTableBeforeAName) {
  using Kind = ReferenceTarget::Kind;
  struct Case {
    std::string_view inner;
    Kind kind;
    std::string_view dice;
    std::int32_t table;
  } cases[] = {
      {"table7", Kind::Table, "", 7},
      {"table19", Kind::Table, "", 19},
      {"table20", Kind::Table, "", 20},
      {"table007", Kind::Table, "", 7},
      {"table 2", Kind::Table, "", 2},
      {"my table-1", Kind::Table, "", -1},
      {"tablex", Kind::Table, "", 0},
      {"table99999999999", Kind::Table, "", INT32_MAX},
      {"tabletable3", Kind::Table, "", 0},
      {"random 3d6+1 table", Kind::Dice, " 3d6+1 table", 0},
      {"table1 random4df+0", Kind::Dice, "4df+0", 0},
      {"randomrandom", Kind::Dice, "random", 0},
      {"names.dat", Kind::Name, "", 0},
      {"", Kind::Name, "", 0},
      {"Table1", Kind::Name, "", 0},
  };
  for (const Case& c : cases) {
    const ReferenceTarget target = classifyReference(c.inner);
    EXPECT_EQ(c.kind, target.kind) << c.inner;
    if (c.kind == Kind::Dice) {
      EXPECT_EQ(c.dice, target.dice) << c.inner;
    } else if (c.kind == Kind::Table) {
      EXPECT_EQ(c.table, target.table) << c.inner;
    }
  }
}

TEST(ReferenceTest, OnlyZeroToNineteenNameATable) {
  for (const std::int32_t number : {-1, 20, INT32_MIN, INT32_MAX})
    EXPECT_FALSE(isTableNumber(number));
  for (const std::int32_t number : {0, 19}) EXPECT_TRUE(isTableNumber(number));
}

}  // namespace
}  // namespace weft
