#include "lsp/lsp_document.h"

#include <algorithm>

#include "support/ascii.h"
#include "support/numbers.h"
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

struct SectionLine {
  std::string_view line;
  int table;
};
constexpr SectionLine kSections[] = {{"#pre", 1}, {"#suf", 3},  {"#end", 0},
                                     {"#adj", 6}, {"#nadj", 5}, {"#noun", 4}};

TokenKind tokenOf(ReferenceTarget::Kind kind) {
  switch (kind) {
    case ReferenceTarget::Kind::Dice:
      return TokenKind::Dice;
    case ReferenceTarget::Kind::Table:
      return TokenKind::TableReference;
    case ReferenceTarget::Kind::Name:
      break;
  }
  return TokenKind::FileReference;
}

auto u32(std::size_t value) { return static_cast<std::uint32_t>(value); }

class Scanner {
 public:
  Scanner(const TextLines& text, std::string_view name) : text_(text) {
    outline_.elementFile = name.find(".ele") != std::string_view::npos;
    outline_.tableLine.fill(-1);
  }

  Outline run() {
    for (std::size_t i = 0; i < text_.count(); ++i) scanLine(u32(i), text_.line(i));
    std::sort(outline_.tokens.begin(), outline_.tokens.end(), [](const Token& a, const Token& b) {
      return a.line != b.line ? a.line < b.line : a.begin < b.begin;
    });
    return std::move(outline_);
  }

 private:
  void token(std::uint32_t line, std::size_t begin, std::size_t end, TokenKind kind) {
    if (end > begin) outline_.tokens.push_back(Token{line, u32(begin), u32(end), kind});
  }

  void scanLine(std::uint32_t index, std::string_view raw) {
    LineMark mark;
    std::size_t kept = raw.size();
    if (!outline_.elementFile) {
      kept = std::min(raw.size(), raw.find('#'));
      token(index, kept, raw.size(), TokenKind::Comment);
    }
    std::string_view body = raw.substr(0, kept);
    const bool wasContinued = continued_;
    continued_ = !body.empty() && body.back() == '\\';
    if (continued_) body.remove_suffix(1);
    if (wasContinued) {
      mark.kind = LineMark::Kind::Continued;
    } else if (!body.empty()) {
      const std::string lower = lowerCopy(body);
      if (outline_.elementFile) {
        elementLine(index, lower, mark);
      } else if (lower[0] == '%') {
        directive(index, lower, mark);
      } else if (inFileList_) {
        mark.kind = LineMark::Kind::FileListName;
        mark.text = lower;
        mark.end = u32(lower.size());
        token(index, 0, lower.size(), TokenKind::FileReference);
      } else {
        entry(index, lower, mark);
      }
    }
    outline_.lines.push_back(std::move(mark));
  }

  void elementLine(std::uint32_t index, const std::string& lower, LineMark& mark) {
    for (const SectionLine& section : kSections) {
      if (lower != section.line) continue;
      mark.kind = LineMark::Kind::Section;
      mark.table = current_ = section.table;
      auto& first = outline_.tableLine[static_cast<std::size_t>(section.table)];
      if (first < 0) first = index;
      token(index, 0, lower.size(), TokenKind::Directive);
      return;
    }
    mark.kind = LineMark::Kind::Entry;
    mark.table = current_;
    mark.text = lower;
    mark.end = u32(lower.size());
    if (isTableNumber(current_)) ++outline_.entryLines[static_cast<std::size_t>(current_)];
  }

  void directive(std::uint32_t index, const std::string& lower, LineMark& mark) {
    token(index, 0, lower.size(), TokenKind::Directive);
    mark.kind = LineMark::Kind::Directive;
    if (lower.find("file") != std::string::npos) {
      mark.startsList = inFileList_ = true;
      return;
    }
    inFileList_ = false;
    if (const std::size_t key = lower.find("%title:"); key != std::string::npos) {
      mark.kind = LineMark::Kind::Title;
      mark.begin = u32(key + 7);
      mark.end = u32(lower.size());
      mark.text = lower.substr(key + 7);
    } else if (const std::size_t table = lower.find("%table"); table != std::string::npos) {
      mark.kind = LineMark::Kind::Table;
      mark.table = readDecimal(std::string_view(lower).substr(table + 6));
      current_ = isTableNumber(mark.table) ? mark.table : DataFile::kNoTable;
      if (isTableNumber(mark.table)) {
        auto& first = outline_.tableLine[static_cast<std::size_t>(mark.table)];
        if (first < 0) first = index;
      }
    }
  }

  void entry(std::uint32_t index, const std::string& lower, LineMark& mark) {
    const std::string_view line = lower;
    const std::size_t colon = line.find(':');
    std::string_view text = line.substr(0, colon);
    if (colon != std::string_view::npos) {
      token(index, colon, line.size(), TokenKind::Frequency);
      mark.dropped = readDecimal(line.substr(colon + 1)) < 1;
    }
    const std::size_t start = std::min(text.size(), text.find_first_not_of(" \t"));
    mark.kind = LineMark::Kind::Entry;
    mark.table = current_;
    mark.text = std::string(text.substr(start));
    mark.begin = u32(start);
    mark.end = u32(text.size());
    if (!mark.dropped && isTableNumber(current_)) {
      ++outline_.entryLines[static_cast<std::size_t>(current_)];
    }
    // The references as generation meets them when what they bring in holds
    // no parenthesis.
    std::size_t offset = start;
    while (offset < text.size()) {
      const ReferenceSpan span = findReference(text.substr(offset));
      if (!span.found()) break;
      const std::string_view inner = span.inner(text.substr(offset));
      const ReferenceTarget target = classifyReference(inner);
      ReferenceMark reference{
          index,
          u32(offset + span.open),
          u32(offset + span.close + 1),
          target.kind,
          target.table,
          std::string(target.kind == ReferenceTarget::Kind::Dice ? target.dice : inner),
          current_};
      token(index, reference.begin, reference.end, tokenOf(target.kind));
      outline_.references.push_back(std::move(reference));
      offset += span.close + 1;
    }
  }

  const TextLines& text_;
  Outline outline_;
  bool continued_ = false;
  bool inFileList_ = false;
  int current_ = 0;
};

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

Outline scanOutline(const TextLines& text, std::string_view name) {
  return Scanner(text, name).run();
}

}  // namespace weft::check::lsp
