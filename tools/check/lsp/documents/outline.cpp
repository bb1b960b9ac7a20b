#include "lsp/documents/outline.h"

#include <algorithm>

#include "datafile/line_kind.h"
#include "support/ascii.h"
#include "support/numbers.h"

namespace weft::check::lsp {

namespace {

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

// Reads the buffer's physical lines into logical lines the way loading does
// (comments cut, continued lines joined) and marks what each one reads as.
class Scanner {
 public:
  Scanner(const TextLines& text, std::string_view name) : text_(text) {
    outline_.elementFile = isElementFileName(name);
    outline_.tableLine.fill(-1);
  }

  Outline run() {
    for (std::size_t i = 0; i < text_.count(); ++i) readPiece(u32(i), text_.line(i));
    // A backslash on the last line joins nothing; it is only removed.
    if (!pieces_.empty()) finishLine();
    std::sort(outline_.tokens.begin(), outline_.tokens.end(), [](const Token& a, const Token& b) {
      return a.line != b.line ? a.line < b.line : a.begin < b.begin;
    });
    return std::move(outline_);
  }

 private:
  // What one physical line gives the logical line being read.
  struct Piece {
    std::uint32_t line;
    std::size_t at;      // the offset of its first byte in the logical line
    std::size_t length;  // its bytes there
  };

  void token(std::uint32_t line, std::size_t begin, std::size_t end, TokenKind kind) {
    if (end > begin) outline_.tokens.push_back(Token{line, u32(begin), u32(end), kind});
  }

  // Marks the bytes [begin, end) of the logical line, on each physical line
  // they lie on.
  void tokens(std::size_t begin, std::size_t end, TokenKind kind) {
    for (const Piece& piece : pieces_) {
      const std::size_t from = std::max(begin, piece.at);
      const std::size_t to = std::min(end, piece.at + piece.length);
      if (from < to) token(piece.line, from - piece.at, to - piece.at, kind);
    }
  }

  // Returns the piece that byte `offset` of the logical line lies in (the
  // last one for the offset just behind the line).
  const Piece& pieceAt(std::size_t offset) const {
    for (const Piece& piece : pieces_) {
      if (offset < piece.at + piece.length) return piece;
    }
    return pieces_.back();
  }

  void readPiece(std::uint32_t index, std::string_view raw) {
    const std::size_t kept = keptLength(raw, outline_.elementFile);
    token(index, kept, raw.size(), TokenKind::Comment);
    LineMark mark;
    if (!pieces_.empty()) mark.kind = LineMark::Kind::Continued;
    outline_.lines.push_back(std::move(mark));
    pieces_.push_back(Piece{index, logical_.size(), kept});
    logical_.append(raw.substr(0, kept));
    if (!continuesLine(logical_)) {
      finishLine();
      return;
    }
    // The next physical line takes the backslash's place.
    logical_.pop_back();
    for (auto piece = pieces_.rbegin(); piece != pieces_.rend(); ++piece) {
      if (piece->length == 0) continue;
      --piece->length;
      break;
    }
  }

  void finishLine() {
    const std::string lower = lowerCopy(logical_);
    const ClassifiedLine read = classifyLine(lower, {outline_.elementFile, inFileList_});
    const Piece& first = pieces_.front();
    LineMark& mark = outline_.lines[first.line];
    switch (read.kind) {
      case LineKind::Blank:
        break;
      case LineKind::ElementSection:
        mark.kind = LineMark::Kind::Section;
        mark.table = current_ = read.table;
        firstLineOf(read.table, first.line);
        tokens(0, lower.size(), TokenKind::Directive);
        break;
      case LineKind::ElementEntry:
        mark.kind = LineMark::Kind::Entry;
        mark.table = current_;
        if (isTableNumber(current_)) ++outline_.entryLines[static_cast<std::size_t>(current_)];
        break;
      case LineKind::FileListName:
        mark.kind = LineMark::Kind::FileListName;
        tokens(0, lower.size(), TokenKind::FileReference);
        break;
      case LineKind::Entry:
        entry(lower, read, mark);
        break;
      default:  // a directive
        directive(lower, read, mark);
        break;
    }
    if (mark.kind == LineMark::Kind::Entry || mark.kind == LineMark::Kind::FileListName ||
        mark.kind == LineMark::Kind::Title) {
      mark.text = std::string(read.text(lower));
      mark.begin = u32(std::min(read.begin, first.length));
      mark.end = u32(std::min(read.end, first.length));
    }
    pieces_.clear();
    logical_.clear();
  }

  void firstLineOf(int table, std::uint32_t line) {
    auto& first = outline_.tableLine[static_cast<std::size_t>(table)];
    if (first < 0) first = line;
  }

  void directive(const std::string& lower, const ClassifiedLine& read, LineMark& mark) {
    tokens(0, lower.size(), TokenKind::Directive);
    mark.kind = LineMark::Kind::Directive;
    inFileList_ = read.kind == LineKind::FileList;
    mark.startsList = inFileList_;
    if (read.kind == LineKind::Title) {
      mark.kind = LineMark::Kind::Title;
    } else if (read.kind == LineKind::Table) {
      mark.kind = LineMark::Kind::Table;
      mark.table = read.table;
      current_ = isTableNumber(read.table) ? read.table : DataFile::kNoTable;
      if (isTableNumber(read.table)) firstLineOf(read.table, pieces_.front().line);
    }
  }

  void entry(const std::string& lower, const ClassifiedLine& read, LineMark& mark) {
    if (read.colon != std::string_view::npos)
      tokens(read.colon, lower.size(), TokenKind::Frequency);
    mark.dropped = read.dropped();
    mark.kind = LineMark::Kind::Entry;
    mark.table = current_;
    if (!mark.dropped && isTableNumber(current_)) {
      ++outline_.entryLines[static_cast<std::size_t>(current_)];
    }
    // The references as generation meets them when what they bring in holds
    // no parenthesis.
    const std::string_view text = std::string_view(lower).substr(0, read.end);
    std::size_t offset = read.begin;
    while (offset < text.size()) {
      const ReferenceSpan span = findReference(text.substr(offset));
      if (!span.found()) break;
      const std::string_view inner = span.inner(text.substr(offset));
      const ReferenceTarget target = classifyReference(inner);
      reference(offset + span.open, offset + span.close + 1, target, inner);
      offset += span.close + 1;
    }
  }

  // Marks the reference at the bytes [begin, end) of the logical line; one
  // that goes on to the next physical line is marked to the end of its first.
  void reference(std::size_t begin, std::size_t end, const ReferenceTarget& target,
                 std::string_view inner) {
    const Piece& open = pieceAt(begin);
    const Piece& close = pieceAt(end - 1);
    ReferenceMark mark{
        open.line,
        u32(begin - open.at),
        u32(&open == &close ? end - open.at : open.length),
        target.kind,
        target.table,
        std::string(target.kind == ReferenceTarget::Kind::Dice ? target.dice : inner),
        current_};
    tokens(begin, end, tokenOf(target.kind));
    outline_.references.push_back(std::move(mark));
  }

  const TextLines& text_;
  Outline outline_;
  std::vector<Piece> pieces_;  // of the logical line being read
  std::string logical_;
  bool inFileList_ = false;
  int current_ = 0;
};

}  // namespace

Outline scanOutline(const TextLines& text, std::string_view name) {
  return Scanner(text, name).run();
}

const ReferenceMark* referenceAt(const Outline& outline, std::uint32_t line, std::size_t offset) {
  for (const ReferenceMark& reference : outline.references) {
    if (reference.line == line && reference.begin <= offset && offset < reference.end) {
      return &reference;
    }
  }
  return nullptr;
}

}  // namespace weft::check::lsp
