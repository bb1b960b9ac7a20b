// Decimal number reading, as used for option values, frequencies and table
// numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace weft {

// Reads a decimal number at the start of `text`: white space is skipped, one
// "+" or "-" may follow, then digits up to the first other byte. Returns 0 when
// there are no digits. Values beyond the signed 32-bit range saturate at
// INT32_MIN or INT32_MAX, so a number too large to hold never wraps round into
// a small one.
std::int32_t readDecimal(std::string_view text);

// Returns the offset just behind the number readDecimal reads from `text`
// (white space, a sign, digits), or 0 when it reads no digit.
std::size_t decimalEnd(std::string_view text);

// The same as readDecimal, for the usual form of a frequency: one to nine
// digits and nothing else are read directly, every other text by readDecimal.
inline std::int32_t readShortDecimal(std::string_view text) {
  if (text.empty() || text.size() > 9) return readDecimal(text);
  std::int32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return readDecimal(text);
    value = value * 10 + (c - '0');
  }
  return value;
}

// Reads an integer the way formatted input reads "%d": optional white space
// (only when `skipSpace`), an optional sign, then one or more digits. On
// success stores the value (saturated like readDecimal) and returns the number
// of bytes taken; returns 0 when no digit follows.
std::size_t scanInteger(std::string_view text, bool skipSpace, std::int32_t& value);

}  // namespace weft
