#include "support/numbers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string_view>

namespace weft {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(NumbersTest, ReadDecimal) {
  const struct {
    std::string_view text;
    std::int32_t expected;
  } cases[] = {
      {"", 0},
      {"abc", 0},
      {"42", 42},
      {"5x", 5},
      {"+7", 7},
      {"-3", -3},
      {" \t\n\v\f\r-17 9", -17},
      {"- 5", 0},   // the sign must touch the digits
      {"+-5", 0},   // one sign only
      {"0x10", 0},  // decimal only
      {"\xa0"
       "5",
       0},  // bytes above 127 are not white space
      {"2147483647", kMax},
      {"-2147483648", kMin},
      // Beyond 32 bits a value saturates instead of wrapping round.
      {"2147483648", kMax},
      {"4294967297", kMax},
      {"-2147483649", kMin},
      {"99999999999999999999999999999999999999999", kMax},
      {"-99999999999999999999999999999999999999999", kMin},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, readDecimal(c.text)) << '"' << c.text << '"';
}

TEST(NumbersTest, ScanIntegerReportsBytesTaken) {
  const struct {
    std::string_view text;
    bool skipSpace;
    std::size_t taken;
    std::int32_t value;
  } cases[] = {
      {"12d6", false, 2, 12}, {"-3)", false, 2, -3},
      {"+0", false, 2, 0},    {"  7", true, 3, 7},
      {"\t-7x", true, 3, -7}, {"  7", false, 0, 99},  // no skipping: nothing read, value untouched
      {"+", true, 0, 99},     {"", true, 0, 99},
      {"d6", false, 0, 99},   {"5000000000", false, 10, kMax},
  };
  for (const auto& c : cases) {
    std::int32_t value = 99;
    EXPECT_EQ(c.taken, scanInteger(c.text, c.skipSpace, value)) << '"' << c.text << '"';
    EXPECT_EQ(c.value, value) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace weft
