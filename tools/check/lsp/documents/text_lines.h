// A buffer's lines, and positions in them in the units an editor counts in.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace weft::check::lsp {

// The lines of a text and the conversion of offsets within them between
// bytes and the editor's columns: UTF-16 code units unless `utf8`. A byte
// that is not part of valid UTF-8 counts as one unit.
class TextLines {
 public:
  explicit TextLines(std::string_view text);

  std::size_t count() const { return starts_.size(); }
  // Returns line `index` (from 0) without its line feed and a carriage
  // return before it; empty past the end.
  std::string_view line(std::size_t index) const;

  // Returns the column of byte `offset` of line `index` (clamped to the line).
  std::uint32_t column(std::size_t index, std::size_t offset, bool utf8) const;
  // Returns the byte offset of `column` in line `index`, clamped to the line;
  // a column inside a character gives that character's first byte.
  std::size_t offset(std::size_t index, std::uint32_t column, bool utf8) const;

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_;
};

}  // namespace weft::check::lsp
