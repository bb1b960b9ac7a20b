// The in-memory form of one data file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/line_kind.h"
#include "datafile/load_observer.h"
#include "datafile/table.h"
#include "support/console.h"
#include "support/engine.h"

namespace weft {

class LineReader;

inline constexpr int TABLE_COUNT = 20;

// Whether `number` names one of the tables, 0 to TABLE_COUNT - 1.
constexpr bool isTableNumber(std::int32_t number) { return number >= 0 && number < TABLE_COUNT; }

// One loaded data file: its name, its title, twenty tables of entries, and
// copies of the data files that its file lists name. Constructing it reads
// the whole file (and every file it lists) through the engine's file system;
// a run-ending problem throws an Ending out of the constructor, so a DataFile
// is never seen half-loaded. After loading it is only read.
//
// Copies are deep but leave out the sub-file list: a copy starts with no
// sub-files, and assignment keeps the target's own.
class DataFile {
 public:
  // Loads `filename`, relative to the engine's working directory. `parent`
  // is the data file whose file list names this one (nullptr for a file
  // named on the command line); it is not owned.
  DataFile(Engine& engine, std::string filename, const DataFile* parent);

  DataFile(const DataFile& other);
  DataFile& operator=(const DataFile& other);
  DataFile(DataFile&& other) noexcept = default;
  DataFile& operator=(DataFile&& other) noexcept = default;
  virtual ~DataFile();

  // Returns one generated line: a random entry of the current table with its
  // references expanded and the case rule of the file's kind applied. Ends
  // the run on an empty line.
  std::string generate(Engine& engine) const;
  // The same, written to `line` (whose old contents are dropped); a caller
  // that keeps `line` from one call to the next saves its allocation.
  void generateInto(Engine& engine, std::string& line) const;

  const std::string& filename() const { return filename_; }
  const std::string& title() const { return title_; }
  const std::vector<DataFile>& subfiles() const { return subfiles_; }
  const DataFile* parent() const { return parent_; }
  bool isElementFile() const { return isElementFile_; }
  bool inFileList() const { return inFileList_; }
  int currentTable() const { return currentTable_; }
  // The physical line the line being read starts on; 0 when not loading.
  std::uint64_t lineNumber() const { return lineNumber_; }

  // REQUIRES: 0 <= index < TABLE_COUNT
  const Table& table(int index) const { return tables_.at(static_cast<std::size_t>(index)); }
  // Table `index` with its entries as the author wrote them, position for
  // position; the folded table itself when the file was loaded without
  // RunSettings::keepCase.
  // REQUIRES: 0 <= index < TABLE_COUNT
  const Table& authorTable(int index) const {
    return authorTables_.empty() ? table(index) : authorTables_.at(static_cast<std::size_t>(index));
  }

  // Sentinel of currentTable() while entries have no valid table to go to.
  static constexpr int kNoTable = -1;

  // The run of table 0 that loading appended itself, an element file's
  // prefix joined to a suffix (kElementPairEntry); kNoRun in other files. An
  // entry the author wrote alike is a run of its own.
  std::size_t builtInRun() const { return builtInRun_; }
  static constexpr std::size_t kNoRun = static_cast<std::size_t>(-1);

 private:
  void loadDataFile();
  // Counts the file of `key` as loaded. Returns false, having ended the run
  // or told the load observer, when it is already being loaded, file lists
  // nest too deeply, or too many files are loaded.
  bool withinFileListLimits(LoadState& state, const FileIdentity& key);
  // Reads one logical line: comment cut, continuation lines joined. The
  // result lies in `buffer` or inside the reader, valid until the next read.
  std::string_view readLine(LineReader& reader, char* buffer, std::size_t size);
  void parseLine(std::string_view line);
  // Reads the lines as written and parses each folded, keeping the author's
  // bytes of every entry (RunSettings::keepCase).
  [[gnu::noinline, gnu::cold]] void readKeepingCase(LineReader& reader, char* buffer,
                                                    std::size_t size);
  void parseDirective(const ClassifiedLine& read, std::string_view line);
  void parseEntryLine(const ClassifiedLine& read, std::string_view line);
  void loadSubfile(const std::string& line);
  void addEntry(std::string_view text, std::uint32_t count = 1);
  // Appends to `table` and records the line the entry stands on, or the
  // author's bytes of the entry, or both.
  [[gnu::noinline, gnu::cold]] void appendKeeping(Table& table, std::string_view text,
                                                  std::uint32_t count);
  // Ends the run with `status` and `message`, or, while a load observer is
  // installed, tells it and returns so that loading can go on.
  void failLoading(LoadProblem problem, ExitStatus status, const std::string& message);
  // Writes `message` (if any), or tells the load observer instead.
  void notice(LoadProblem problem, std::string_view message);

  // The engine that loads this file; set during construction only.
  Engine* engine_ = nullptr;
  // Whether the tables keep the line of each entry, or the author's bytes
  // (loading only).
  bool keepsLines_ = false;
  bool keepsCase_ = false;
  // While a line is parsed with its case kept: the line as written, and the
  // author's bytes of the entry it gives (at the classifier's offsets, which
  // hold in the folded line and in the line as written alike).
  std::string_view authorLine_;
  std::string_view authorEntry_;
  std::string filename_;
  std::string title_ = "No Title";
  std::vector<DataFile> subfiles_;
  const DataFile* parent_;
  bool isElementFile_;
  std::array<Table, TABLE_COUNT> tables_;
  // The entries as written, table for table (empty unless keepCase).
  std::vector<Table> authorTables_;
  std::size_t builtInRun_ = kNoRun;
  bool inFileList_ = false;
  // The table entry lines go to; kNoTable after an out-of-range "%table",
  // whose entries are dropped until a valid "%table" comes.
  int currentTable_ = 0;
  // The physical line the logical line being read starts on (loading only).
  std::uint64_t lineNumber_ = 0;
};

}  // namespace weft
