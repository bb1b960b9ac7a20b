#include "lsp/documents/text_lines.h"

#include <algorithm>

#include "text/utf8.h"

namespace weft::check::lsp {

namespace {

bool isContinuation(std::string_view text, std::size_t i) {
  return i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
}

// Returns the length of the UTF-8 sequence at `i`, or 1 for a byte that
// does not start a valid one.
std::size_t sequenceLength(std::string_view text, std::size_t i) {
  const std::size_t length = utf8Length(text.substr(i));
  return length == 0 ? 1 : length;
}

auto u32(std::size_t value) { return static_cast<std::uint32_t>(value); }

}  // namespace

TextLines::TextLines(std::string_view text) : text_(text) {
  starts_.push_back(0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') starts_.push_back(i + 1);
  }
}

std::string_view TextLines::line(std::size_t index) const {
  if (index >= starts_.size()) return {};
  const std::size_t begin = starts_[index];
  std::size_t end = index + 1 < starts_.size() ? starts_[index + 1] - 1 : text_.size();
  if (end > begin && text_[end - 1] == '\r') --end;
  return text_.substr(begin, end - begin);
}

std::uint32_t TextLines::column(std::size_t index, std::size_t offset, bool utf8) const {
  const std::string_view text = line(index);
  offset = std::min(offset, text.size());
  if (utf8) return u32(offset);
  std::uint32_t units = 0;
  for (std::size_t i = 0; i < offset;) {
    const std::size_t length = sequenceLength(text, i);
    units += length == 4 ? 2 : 1;
    i += length;
  }
  return units;
}

std::size_t TextLines::offset(std::size_t index, std::uint32_t column, bool utf8) const {
  const std::string_view text = line(index);
  if (utf8) {
    std::size_t offset = std::min<std::size_t>(column, text.size());
    while (offset > 0 && offset < text.size() && isContinuation(text, offset)) --offset;
    return offset;
  }
  std::uint32_t units = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t length = sequenceLength(text, i);
    const std::uint32_t width = length == 4 ? 2 : 1;
    if (units + width > column) break;
    units += width;
    i += length;
  }
  return i;
}

}  // namespace weft::check::lsp
