// A watcher of data-file loading. weft itself has none; a checking tool
// installs one to collect every problem and go on where weft ends the run.
#pragma once

#include <cstdint>
#include <string_view>

namespace weft {

class DataFile;

class LoadObserver {
 public:
  enum class Event {
    // Problems that end a run of weft; with an observer, loading goes on.
    CantRead,             // the file cannot be opened or read; it loads empty
    FileListLoop,         // a listed file is already being loaded; it is skipped
    FileListTooDeep,      // file lists nest, or load files, beyond the limit; the file is skipped
    CantChangeDirectory,  // a "%chdir:" failed; the directory stays
    TableInFileList,      // a file-list line holds "table"; the line is skipped
    // Problems weft goes on after, with or without a message.
    TableOutOfRange,     // a "%table" number outside 0 to 19
    FrequencyCapped,     // a frequency lowered to the cap
    EntryDropped,        // an entry line with a frequency below 1
    LineSplit,           // a physical line longer than a logical line may be
    UnsupportedSection,  // an element file's adjective or noun section
  };

  virtual ~LoadObserver() = default;

  // Called for each problem met while loading `file`, at physical line `line`
  // (counted from 1; 0 when the problem concerns the file as a whole).
  // `message` is weft's diagnostic for it, if weft writes one. While an
  // observer is installed weft writes none of these diagnostics itself.
  virtual void problem(Event event, const DataFile& file, std::uint64_t line,
                       std::string_view message) = 0;

  // Called when `file` starts loading, before it is opened.
  virtual void loading(const DataFile& file) { (void)file; }

  // Called when an entry line of `file` has been appended to `table` as one
  // run; runs of a table are reported in table order.
  virtual void entryAdded(const DataFile& file, int table, std::uint64_t line) {
    (void)file, (void)table, (void)line;
  }

  // Called when `file` (a data file or a listed one) has finished loading,
  // before a copy of it is kept by the file that lists it.
  virtual void loaded(const DataFile& file) { (void)file; }
};

// Installs `observer` for the loads that follow (nullptr removes it).
void setLoadObserver(LoadObserver* observer);
LoadObserver* loadObserver();

}  // namespace weft
