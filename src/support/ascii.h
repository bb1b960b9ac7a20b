// Character classes and case mapping for byte strings. Only the 52 letters of
// 7-bit ASCII have a case; bytes 128 to 255 are neither letters, digits nor
// white space, whatever the C library's locale says.
#pragma once

#include <cstddef>
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

// Folds A to Z to a to z in place; every other byte stays. Written without a
// branch (a letter gains the 0x20 bit) so that the compiler can fold many
// bytes per instruction.
inline void foldToLower(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    text[i] = static_cast<char>(c | (static_cast<unsigned char>(c - 'A') < 26 ? 0x20 : 0));
  }
}

inline void foldToLower(std::string& text) { foldToLower(text.data(), text.size()); }

inline std::string lowerCopy(std::string_view text) {
  std::string copy(text);
  foldToLower(copy);
  return copy;
}

}  // namespace weft
