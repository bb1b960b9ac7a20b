// Character classes and case mapping for byte strings. Only the 52 letters of
// 7-bit ASCII have a case; bytes 128 to 255 are neither letters, digits nor
// white space, whatever the C library's locale says.
#pragma once

#include <string>
#include <string_view>

namespace weft {

constexpr bool isLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
constexpr bool isLetter(char c) { return isLower(c) || isUpper(c); }
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Space, tab, line feed, vertical tab, form feed and carriage return.
constexpr bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr char toLower(char c) { return isUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char toUpper(char c) { return isLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

// Folds A to Z to a to z in place; every other byte stays.
inline void foldToLower(std::string& text) {
  for (char& c : text) c = toLower(c);
}

inline std::string lowerCopy(std::string_view text) {
  std::string copy(text);
  foldToLower(copy);
  return copy;
}

}  // namespace weft
