#include "datafile/table.h"

#include <gtest/gtest.h>

#include <string>

namespace weft {
namespace {

TEST(TableTest, PositionsCountEveryCopy) {
  Table table;
  EXPECT_TRUE(table.empty());
  table.append("orc", 2);
  table.append("skipped", 0);  // a count of 0 adds nothing
  table.append("", 1);
  table.append("orc", 3);  // equal texts of different lines stay apart
  EXPECT_EQ(6u, table.size());
  EXPECT_EQ(3u, table.runCount());
  const char* expected[] = {"orc", "orc", "", "orc", "orc", "orc"};
  for (std::uint64_t i = 0; i < 6; ++i) EXPECT_EQ(expected[i], table.entryAt(i)) << i;
  EXPECT_EQ("orc", table.run(2).text);
  EXPECT_EQ(3u, table.run(2).count);
}

TEST(TableTest, PositionsBeyondTheDrawRange) {
  Table table;
  table.append("a", 30000);
  table.append("b", 5000);  // straddles position 32768
  table.append("c", 0x7FFFFFFF);
  EXPECT_EQ(35000u + 0x7FFFFFFFu, table.size());
  EXPECT_EQ("a", table.entryAt(29999));
  EXPECT_EQ("b", table.entryAt(32767));
  EXPECT_EQ("b", table.entryAt(34999));
  EXPECT_EQ("c", table.entryAt(35000));
  EXPECT_EQ("c", table.entryAt(table.size() - 1));
}

TEST(TableTest, CopiesHoldTheirOwnTexts) {
  Table table;
  // Enough text to fill several storage blocks.
  for (int i = 0; i < 3000; ++i) table.append(std::string(200, static_cast<char>('a' + i % 26)), 1);
  table.append(std::string(1 << 19, 'z'), 1);  // larger than a block
  Table copy = table;
  table = Table();
  copy.append("last", 1);
  ASSERT_EQ(3002u, copy.size());
  EXPECT_EQ(std::string(200, 'a'), copy.entryAt(0));
  EXPECT_EQ(std::string(200, 'a' + 2999 % 26), copy.entryAt(2999));
  EXPECT_EQ(std::string(1 << 19, 'z'), copy.entryAt(3000));
  EXPECT_EQ("last", copy.entryAt(3001));
}

}  // namespace
}  // namespace weft
