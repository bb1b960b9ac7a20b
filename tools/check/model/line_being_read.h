// The logical line of a data file that the traps are looking at, in the
// physical pieces it was read in, and the report their findings go to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/report.h"

namespace weft::check {

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Returns `text` without the blanks at either end.
inline std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

class LineBeingRead {
 public:
  // One physical line read: its number, its text and the bytes kept of it
  // (those before a comment); `continued` when the line before it ended in
  // a backslash.
  struct Piece {
    std::uint64_t line;
    std::string text;
    std::size_t kept;
    bool continued;
  };

  LineBeingRead(std::string path, Report& report) : path_(std::move(path)), report_(&report) {}

  // Adds a physical line; one that is not `continued` starts a logical line.
  void pieceRead(std::uint64_t line, std::string_view text, std::size_t kept, bool continued) {
    if (!continued) pieces_.clear();
    pieces_.push_back(Piece{line, std::string(text), kept, continued});
  }

  const std::vector<Piece>& pieces() const { return pieces_; }

  void add(std::uint64_t line, Severity severity, std::string message, std::string note,
           Span span = {}) {
    report_->add(path_, line, severity, std::move(message), std::move(note), std::move(span));
  }

  // Returns the span of bytes [begin, end) of the logical line, mended by
  // `fix` when `hasFix`; the whole line when those bytes are not all on its
  // first physical line.
  Span spanOf(std::size_t begin, std::size_t end, bool hasFix = false, std::string fix = {}) const {
    if (pieces_.empty() || end > pieces_.front().kept || begin > end) return {};
    return Span{static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end), hasFix,
                std::move(fix)};
  }

 private:
  std::string path_;
  Report* report_;
  std::vector<Piece> pieces_;
};

}  // namespace weft::check
