// A watcher of data-file loading. weft itself has none; a checking tool
// installs one in its engine to collect every problem and go on where weft
// ends the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datafile/line_kind.h"

namespace weft {

class DataFile;

// One problem met while loading, with its facts.
struct LoadProblem {
  enum class Event {
    // Problems that end a run of weft; with an observer, loading goes on.
    CantRead,             // the file cannot be opened or read; it loads empty
    FileListLoop,         // a listed file is already being loaded; it is skipped
    FileListTooDeep,      // file lists nest beyond `limit` levels; the file is skipped
    TooManyFiles,         // one operand loads more than `limit` files; the file is skipped
    CantChangeDirectory,  // a "%chdir:" to `directory` failed; the working directory stays
    TableInFileList,      // a file-list line holds "table"; the line is skipped
    // Problems weft goes on after, with or without a message.
    TableOutOfRange,     // a "%table" number outside 0 to 19
    FrequencyCapped,     // a frequency lowered to the cap, `limit`
    EntryDropped,        // an entry line with a frequency below 1
    LineSplit,           // a physical line longer than a logical line may be
    UnsupportedSection,  // an element file's adjective or noun section
  };

  Event event;
  // The physical line, counted from 1; 0 when the problem concerns the file
  // as a whole.
  std::uint64_t line = 0;
  // The directory that could not be entered (CantChangeDirectory).
  std::string_view directory = {};
  // The limit passed (FileListTooDeep, TooManyFiles) or the cap applied
  // (FrequencyCapped).
  std::int64_t limit = 0;
  // weft's own diagnostic, when it writes one, for a tool that quotes it.
  std::string_view message = {};
};

class LoadObserver {
 public:
  using Event = LoadProblem::Event;

  // How a logical line was read, and for a directive the key that decided.
  using LineKind = weft::LineKind;

  virtual ~LoadObserver() = default;

  // Called for each problem met while loading `file`. While an observer is
  // installed weft writes none of these diagnostics itself.
  virtual void problem(const DataFile& file, const LoadProblem& problem) = 0;

  // Called when `file` starts loading, before it is opened.
  virtual void loading(const DataFile& file) { (void)file; }

  // Called when an entry line of `file` has been appended to `table` as one
  // run; runs of a table are reported in table order.
  virtual void entryAdded(const DataFile& file, int table, std::uint64_t line) {
    (void)file, (void)table, (void)line;
  }

  // Called for each physical line, or piece of one, that goes into a logical
  // line, as read (letters folded) before a comment is cut: `kept` bytes of
  // `text` remain after the cut. `continued` is set for a line joined to the
  // one before it by a trailing backslash.
  virtual void pieceRead(const DataFile& file, std::uint64_t line, std::string_view text,
                         std::size_t kept, bool continued) {
    (void)file, (void)line, (void)text, (void)kept, (void)continued;
  }

  // Called after a logical line of `file` has been interpreted (at
  // file.lineNumber()), with its text and what it read as; an empty line
  // is not interpreted.
  virtual void lineInterpreted(const DataFile& file, const ClassifiedLine& read,
                               std::string_view line) {
    (void)file, (void)read, (void)line;
  }

  // Called when `file` (a data file or a listed one) has finished loading,
  // before a copy of it is kept by the file that lists it.
  virtual void loaded(const DataFile& file) { (void)file; }
};

}  // namespace weft
