#include "generate/reference.h"

#include "support/ascii.h"
#include "support/numbers.h"

namespace weft {

namespace {

// Reads "table" followed by one or two digits and nothing else, the usual
// form of a table reference, which holds no "random" and so needs no search.
// Returns the number, or -1 for any other text.
std::int32_t plainTableNumber(std::string_view inner) {
  if (inner.size() < 6 || inner.size() > 7 || inner.substr(0, 5) != "table") return -1;
  std::int32_t number = 0;
  for (const char c : inner.substr(5)) {
    if (!isDigit(c)) return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace

ReferenceSpan findReference(std::string_view text) {
  const std::size_t open = text.find('(');
  if (open == std::string_view::npos) return {open, open};
  return {open, text.find(')', open + 1)};
}

ReferenceTarget classifyReference(std::string_view inner) {
  if (const std::int32_t number = plainTableNumber(inner); number >= 0) {
    return {ReferenceTarget::Kind::Table, {}, number, inner.substr(5)};
  }
  if (const std::size_t random = inner.find("random"); random != std::string_view::npos) {
    return {ReferenceTarget::Kind::Dice, inner.substr(random + 6), 0, {}};
  }
  if (const std::size_t table = inner.find("table"); table != std::string_view::npos) {
    const std::string_view number = inner.substr(table + 5);
    return {ReferenceTarget::Kind::Table, {}, readDecimal(number), number};
  }
  return {ReferenceTarget::Kind::Name, {}, 0, {}};
}

}  // namespace weft
