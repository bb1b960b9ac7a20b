// Decimal number reading, as used for option values, frequencies and table
// numbers.
#pragma once

#include <cstdint>
#include <string_view>

namespace weft {

// Reads a decimal number at the start of `text`: white space is skipped, one
// "+" or "-" may follow, then digits up to the first other byte. Returns 0 when
// there are no digits. Values beyond the signed 32-bit range saturate at
// INT32_MIN or INT32_MAX, so a number too large to hold never wraps round into
// a small one.
std::int32_t readDecimal(std::string_view text);

// Reads an integer the way formatted input reads "%d": optional white space
// (only when `skipSpace`), an optional sign, then one or more digits. On
// success stores the value (saturated like readDecimal) and returns the number
// of bytes taken; returns 0 when no digit follows.
std::size_t scanInteger(std::string_view text, bool skipSpace, std::int32_t& value);

}  // namespace weft
