// The reference rule: where a reference stands in a text and what the text
// between its parentheses names. Generation and every tool that predicts it
// read references through these two functions only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace weft {

// Where the first reference of `text` stands: from the first "(" to the
// first ")" behind it. `open` is npos when the text holds no "("; `close` is
// npos when no ")" follows it, and then the text holds no reference at all.
struct ReferenceSpan {
  std::size_t open;
  std::size_t close;
  bool found() const { return close != std::string_view::npos; }
  // The text between the parentheses. REQUIRES: found()
  std::string_view inner(std::string_view text) const {
    return text.substr(open + 1, close - open - 1);
  }
};

ReferenceSpan findReference(std::string_view text);

// What the inner text of a reference names. It is a dice roll when it holds
// "random" anywhere (the expression is what follows the first "random"), else
// a table when it holds "table" (the number is read behind the first
// "table"), else the name of a listed data file, matched whole.
struct ReferenceTarget {
  enum class Kind { Dice, Table, Name };
  Kind kind;
  std::string_view dice;  // Kind::Dice: the expression
  // Kind::Table: the number as read, saturated at the 32-bit limits; only
  // one for which isTableNumber() holds names a table, any other reference
  // repeats the last replacement.
  std::int32_t table;
  // Kind::Table: the text behind "table" that the number is read from.
  std::string_view number;
};

ReferenceTarget classifyReference(std::string_view inner);

}  // namespace weft
