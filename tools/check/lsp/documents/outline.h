// The shape of a buffer's data file as weft reads it (directives, tables,
// file lists, entries, references, comments), found by a quick scan of the
// text without loading it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/data_file.h"
#include "generate/reference.h"
#include "lsp/documents/text_lines.h"

namespace weft::check::lsp {

// What a span of a line is, for highlighting.
enum class TokenKind { Comment, Directive, Frequency, TableReference, Dice, FileReference };

struct Token {
  std::uint32_t line;  // from 0
  std::uint32_t begin;
  std::uint32_t end;  // byte offsets, end exclusive
  TokenKind kind;
};

// A reference in parentheses, with what it names.
struct ReferenceMark {
  std::uint32_t line;
  std::uint32_t begin;  // the "("
  std::uint32_t end;    // just behind the ")", or the end of the line it goes on from
  ReferenceTarget::Kind kind;
  std::int32_t table = 0;  // Kind::Table
  std::string text;        // Kind::Name: the name; Kind::Dice: the expression
  int entryTable = 0;      // the table of the entry it stands in
};

// How weft reads one physical line. A logical line that trailing
// backslashes join from several is marked on its first physical line; the
// others are Continued, and its tokens and references stand on the lines
// their bytes are on.
struct LineMark {
  enum class Kind {
    Blank,         // empty, or only a comment
    Continued,     // joined to the line before it by a trailing backslash
    Entry,         // an entry line of table `table` (kNoTable when it has none)
    Title,         // "%title:"
    Table,         // "%table": `table` is the number read
    Directive,     // any other directive, a file list's start included
    FileListName,  // names a listed file: `text`
    Section,       // a section line of an element file; `table` is its table
  };
  Kind kind = Kind::Blank;
  int table = 0;
  std::string text;         // Entry: the entry as stored; FileListName: the name; Title: the title
  std::uint32_t begin = 0;  // the bytes of `text` in the line, as far as it goes
  std::uint32_t end = 0;
  bool dropped = false;     // an entry with a frequency below 1
  bool startsList = false;  // a directive that starts a file list
};

// The shape of one data file.
struct Outline {
  bool elementFile = false;
  std::vector<LineMark> lines;
  std::vector<Token> tokens;  // in order of line and offset
  std::vector<ReferenceMark> references;
  // The line of the first "%table N" (or section) of each table, or -1.
  std::array<std::int64_t, TABLE_COUNT> tableLine{};
  // Entry lines of each table.
  std::array<std::uint32_t, TABLE_COUNT> entryLines{};
};

// Scans `text`, a data file named `name`, the way weft reads its lines.
Outline scanOutline(const TextLines& text, std::string_view name);

// Returns the reference whose bytes hold byte `offset` of line `line`, or null.
const ReferenceMark* referenceAt(const Outline& outline, std::uint32_t line, std::size_t offset);

}  // namespace weft::check::lsp
