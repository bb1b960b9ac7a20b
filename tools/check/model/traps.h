// Checks of the lines of a data file as they are read: the places where weft
// silently reads an author's text otherwise than it looks (a colon that
// starts a frequency, an indented directive, a title holding "file", a
// misspelt section line, a byte-order mark, ...). Each finding says what weft
// does there and, in its note, how to write what was meant.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "model/report.h"

namespace weft::check {

// The physical line each run of each table started on, in table order.
using EntryLines = std::array<std::vector<std::uint64_t>, TABLE_COUNT>;

// What loading showed about one file beyond its entries, for the analysis
// that follows it.
struct FileFacts {
  EntryLines lines;
  // A "#" line of an element file that looks like a section line but is
  // not one, so that its section never starts.
  struct SectionTypo {
    std::uint64_t line;
    std::string text;
    int table;  // the table of the section it was meant for
  };
  std::vector<SectionTypo> sectionTypos;
  // Why a table may have got no entries (a "%table" line that reads no
  // number or one out of range), keyed by the table meant; empty when none.
  std::array<std::string, TABLE_COUNT> missedTable;
  // The offset of each entry line's text in its physical line (after the
  // blanks before it), keyed by line, for diagnostics that point into it.
  std::map<std::uint64_t, std::uint32_t> entryColumns;
};

// Follows the lines of one file as they are read and reports their traps.
class LineTraps {
 public:
  LineTraps(std::string path, Report& report, FileFacts& facts)
      : path_(std::move(path)), report_(&report), facts_(&facts) {}

  void pieceRead(std::uint64_t line, std::string_view text, std::size_t kept, bool continued);

  // `dropped` is set when the entry line was dropped for a frequency below 1;
  // `chdirFailed` when its "%chdir:" failed.
  void lineInterpreted(const DataFile& file, const ClassifiedLine& read, std::string_view line,
                       bool dropped, bool chdirFailed);

  // Returns why the line being read names a file, for a diagnostic about
  // that file (the directive that started the file list, and what is odd
  // about the name), or an empty text.
  std::string whyListed(std::string_view name) const;

 private:
  void add(std::uint64_t line, Severity severity, std::string message, std::string note,
           Span span = {});
  // Returns the span of bytes [begin, end) of the logical line being read,
  // mended by `fix` when `hasFix`; the whole line when those bytes are not
  // all on its first physical line.
  Span spanOf(std::size_t begin, std::size_t end, bool hasFix = false, std::string fix = {}) const;
  void checkEntry(std::uint64_t line, std::string_view text, const ClassifiedLine& read,
                  bool dropped);
  void checkNumberSign();
  void checkColon(std::uint64_t line, std::string_view text, const ClassifiedLine& read,
                  bool dropped);
  void checkDirective(const DataFile& file, LoadObserver::LineKind kind, std::uint64_t line,
                      std::string_view text, std::size_t argument, bool chdirFailed);
  void checkFileListStart(std::uint64_t line, std::string_view text, std::size_t argument);
  void checkTitle(std::uint64_t line, std::string_view text, std::size_t argument);
  void checkTableLine(std::uint64_t line, std::string_view text, std::size_t argument);
  void checkChangeDirectory(const DataFile& file, std::uint64_t line, std::string_view text,
                            std::size_t argument, bool chdirFailed);
  void checkNoKey(std::uint64_t line, std::string_view text);
  void checkElementLine(std::uint64_t line, std::string_view text);

  std::string path_;
  Report* report_;
  FileFacts* facts_;
  // The pieces of the logical line being read: line, text, bytes kept.
  struct Piece {
    std::uint64_t line;
    std::string text;
    std::size_t kept;
    bool continued;
  };
  std::vector<Piece> pieces_;
  bool byteOrderMark_ = false;  // the first line starts with one
  bool inFileList_ = false;
  std::uint64_t titleLine_ = 0;  // the line of the last "%title:"
  std::uint64_t listStartLine_ = 0;
  std::string listStart_;  // the directive that started the current file list
  bool listStartIsOdd_ = false;
  std::string lastDirectory_;  // the last "%chdir:" of this file, with its line
};

}  // namespace weft::check
