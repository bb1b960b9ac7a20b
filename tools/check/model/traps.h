// Checks of the lines of a data file as they are read: the places where weft
// silently reads an author's text otherwise than it looks (a colon that
// starts a frequency, an indented directive, a title holding "file", a
// misspelt section line, a byte-order mark, ...). Each finding says what weft
// does there and, in its note, how to write what was meant.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "model/directive_traps.h"
#include "model/file_facts.h"
#include "model/line_being_read.h"
#include "model/report.h"

namespace weft::check {

// Follows the lines of one file as they are read and reports their traps.
class LineTraps {
 public:
  LineTraps(std::string path, Report& report, FileFacts& facts)
      : reading_(std::move(path), report), facts_(&facts), directives_(reading_, facts) {}
  // The directive traps keep the line being read.
  LineTraps(const LineTraps&) = delete;
  LineTraps& operator=(const LineTraps&) = delete;

  // `elementFile` when the file being read is an element file.
  void pieceRead(std::uint64_t line, std::string_view text, std::size_t kept, bool continued,
                 bool elementFile);

  // `dropped` is set when the entry line was dropped for a frequency below 1;
  // `chdirFailed` when its "%chdir:" failed.
  void lineInterpreted(const DataFile& file, const ClassifiedLine& read, std::string_view line,
                       bool dropped, bool chdirFailed);

  // Returns why the line being read names a file, for a diagnostic about
  // that file (the directive that started the file list, and what is odd
  // about the name), or an empty text.
  std::string whyListed(std::string_view name) const;

 private:
  void checkByteOrderMark(const DataFile& file, std::string_view text, bool dropped);
  void checkBackslashes(const DataFile& file);
  void checkSectionComment(std::uint64_t line, std::string_view text);

  LineBeingRead reading_;
  FileFacts* facts_;
  DirectiveTraps directives_;
  bool byteOrderMark_ = false;  // the first line starts with one
};

}  // namespace weft::check
