#include "support/numbers.h"

#include <limits>

#include "support/ascii.h"

namespace weft {

namespace {

// Reads sign and digits from `text` starting at `pos`; returns the position
// behind the last digit, or `pos` unchanged when there is no digit.
std::size_t readSignedDigits(std::string_view text, std::size_t pos, std::int32_t& value) {
  bool negative = false;
  std::size_t i = pos;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || !isDigit(text[i])) return pos;
  // Accumulate the magnitude with a ceiling just above the 32-bit range, so
  // forty digits cost nothing and never overflow.
  constexpr std::int64_t kCeiling = std::int64_t{1} << 32;
  std::int64_t magnitude = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    if (magnitude < kCeiling) magnitude = magnitude * 10 + (text[i] - '0');
  }
  const std::int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue > std::numeric_limits<std::int32_t>::max()) {
    value = std::numeric_limits<std::int32_t>::max();
  } else if (signedValue < std::numeric_limits<std::int32_t>::min()) {
    value = std::numeric_limits<std::int32_t>::min();
  } else {
    value = static_cast<std::int32_t>(signedValue);
  }
  return i;
}

std::size_t skipSpace(std::string_view text, std::size_t pos) {
  while (pos < text.size() && isSpace(text[pos])) ++pos;
  return pos;
}

}  // namespace

std::int32_t readDecimal(std::string_view text) {
  std::int32_t value = 0;
  readSignedDigits(text, skipSpace(text, 0), value);
  return value;
}

std::size_t decimalEnd(std::string_view text) {
  std::int32_t value = 0;
  return scanInteger(text, true, value);
}

std::size_t scanInteger(std::string_view text, bool skip, std::int32_t& value) {
  const std::size_t start = skip ? skipSpace(text, 0) : 0;
  const std::size_t end = readSignedDigits(text, start, value);
  return end == start ? 0 : end;
}

}  // namespace weft
