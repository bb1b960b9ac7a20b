// What weft makes of one line of a data file or an element file: comments
// and continuation, directives and their keys, file lists, entries with their
// frequencies, element sections. Loading follows these rules, and every tool
// that reads a data file's text without loading it calls them, so that each
// rule stands in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace weft {

// A data file is an element file when its name holds ".ele" anywhere, as
// written: letter case counts.
inline constexpr std::string_view kElementFileMark = ".ele";
constexpr bool isElementFileName(std::string_view name) {
  return name.find(kElementFileMark) != std::string_view::npos;
}

// The entry that loading appends to an element file's main table after its
// last line: a prefix joined to a suffix.
inline constexpr std::string_view kElementPairEntry = "(table1)(table3)";

// A section line of an element file: the whole line, the table it chooses,
// and the notice weft writes each time it reads it (empty for none).
struct SectionLine {
  std::string_view line;
  int table;
  std::string_view notice;
};

// The adjective and noun sections are reported but still loaded, so a table
// reference can reach them.
inline constexpr SectionLine kSectionLines[] = {
    {"#pre", 1, ""},
    {"#suf", 3, ""},
    {"#end", 0, ""},
    {"#adj", 6, "Detected unsupported 'ADJ' section"},
    {"#nadj", 5, "Detected unsupported 'NADJ' section"},
    {"#noun", 4, "Detected unsupported 'NOUN' section"},
};

// Returns the section line that `line` (in lower case) is exactly, or null.
const SectionLine* findSectionLine(std::string_view line);

// How one logical line reads, and for a directive the key that decided.
enum class LineKind {
  Entry,            // an entry line of an ordinary data file
  FileListName,     // a line of a file list, naming a sub-file
  FileList,         // a directive holding "file": a file list starts
  Title,            // "%title:"
  Table,            // "%table"
  ChangeDirectory,  // "%chdir:"
  NoKey,            // a directive holding none of the keys
  ElementSection,   // a section line of an element file
  ElementEntry,     // any other line of an element file
  Blank,            // an empty line (nothing, or only a comment): skipped
};

constexpr bool isDirective(LineKind kind) {
  return kind == LineKind::FileList || kind == LineKind::Title || kind == LineKind::Table ||
         kind == LineKind::ChangeDirectory || kind == LineKind::NoKey;
}

// The directive keys in the order they are tested: of a line that starts
// with "%", the first key that occurs anywhere in it decides, so
// "%title: profile names" starts a file list.
struct DirectiveKey {
  LineKind kind;
  std::string_view text;
};
inline constexpr DirectiveKey kDirectiveKeys[] = {
    {LineKind::FileList, "file"},
    {LineKind::Title, "%title:"},
    {LineKind::Table, "%table"},
    {LineKind::ChangeDirectory, "%chdir:"},
};

// Returns how many bytes of `piece` (a physical line, or a piece of one) a
// logical line keeps: those before its first "#", which starts a comment;
// all of them in an element file, which has no comments.
std::size_t keptLength(std::string_view piece, bool elementFile);

// Returns true when a logical line read so far goes on: it ends in a
// backslash, which the next physical line takes the place of. The test is
// made after the comment is cut, so a backslash just before a "#" continues.
constexpr bool continuesLine(std::string_view line) { return !line.empty() && line.back() == '\\'; }

// What is known before a line is read.
struct LineContext {
  bool elementFile = false;
  bool inFileList = false;  // a directive holding "file" came, and no other since
  std::int32_t maxFrequency = 50;
};

// One logical line as weft reads it.
struct ClassifiedLine {
  LineKind kind = LineKind::Blank;
  // The bytes [begin, end) that the line gives: an entry's text (`begin` is
  // then the number of blanks and tabs it lost in front), a listed file's
  // name, the argument after a directive's key (the key itself for
  // FileList), an element file's line whole.
  std::size_t begin = 0;
  std::size_t end = 0;
  // Entry: the first colon, or npos.
  std::size_t colon = std::string_view::npos;
  // Entry: the frequency as written after the colon (1 without one), and as
  // used, lowered to the cap. Below 1 the line is dropped.
  std::int32_t written = 1;
  std::int32_t frequency = 1;
  // Table: the number read after the key, in range or not.
  // ElementSection: the section's table.
  std::int32_t table = 0;
  // ElementSection: the section.
  const SectionLine* section = nullptr;

  std::string_view text(std::string_view line) const { return line.substr(begin, end - begin); }
  bool capped() const { return written > frequency; }
  bool dropped() const { return kind == LineKind::Entry && frequency < 1; }
};

// Classifies one logical line (its comment cut, its continued lines
// joined), without any effect.
// REQUIRES: the letters of `line` are folded to lower case. Folding keeps
// every byte in place, so the offsets returned also hold in the line as the
// author wrote it.
ClassifiedLine classifyLine(std::string_view line, const LineContext& context);

// Returns the title a "%title:" line sets from its argument: the first byte
// raised to upper case, the rest as it is; empty stays empty.
std::string titleText(std::string_view argument);

}  // namespace weft
