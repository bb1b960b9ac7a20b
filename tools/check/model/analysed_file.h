// A loaded data file as the checks of analysis.cpp see it: its entries,
// table by table, split into references that are resolved against the file,
// and the report they add their findings to.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/data_file.h"
#include "model/file_facts.h"
#include "model/parsed_entry.h"
#include "model/report.h"

namespace weft::check {

// What generation makes of a reference.
enum class ReferenceOutcome {
  Dice,        // a dice roll: always a number
  Table,       // a table in range with entries
  EmptyTable,  // a table in range without entries: weft ends the run
  OutOfRange,  // a table number outside 0 to 19: repeats the last replacement
  File,        // a listed file's line
  NoFile,      // a name no listed file has: repeats the last replacement
};

// Whether a reference of `outcome` repeats the previous replacement.
bool repeatsReplacement(ReferenceOutcome outcome);

struct ResolvedReference {
  Reference reference;
  ReferenceOutcome outcome;
  const DataFile* subfile = nullptr;  // the last listed file of that name
};

// One run of a table, as its checks read it.
struct CheckedEntry {
  std::string_view text;
  std::uint64_t line;
  bool builtIn;  // the element file's own prefix joined to a suffix
  ParsedEntry parsed;
  std::vector<ResolvedReference> references;
};

// Returns `reference` as it is written, parentheses included.
std::string shown(const Reference& reference);

class AnalysedFile {
 public:
  // `facts` and `path` as for analyzeDataFile().
  AnalysedFile(const DataFile& file, const FileFacts& facts, const std::string& path,
               Report& report);

  const DataFile& file() const { return file_; }
  const FileFacts& facts() const { return facts_; }
  const std::vector<CheckedEntry>& entries(int table) const {
    return entries_[static_cast<std::size_t>(table)];
  }

  // Returns the listed file whose line answers a reference to `name`, or
  // null: the last one of that name.
  const DataFile* listedFile(std::string_view name) const;

  // Returns the bytes of `reference`, parentheses included, in the line of
  // `entry`; the whole line when the entry's place in it is not known.
  Span spanOf(const CheckedEntry& entry, const Reference& reference) const;

  // Adds a finding about `line` that points at the bytes of the last
  // pointAt().
  void add(std::uint64_t line, Severity severity, std::string message, std::string note = {});
  // Points the findings added from here on at `span`; {} for the whole line.
  void pointAt(Span span) { at_ = std::move(span); }

 private:
  ResolvedReference resolve(const Reference& reference) const;

  const DataFile& file_;
  const FileFacts& facts_;
  const std::string& path_;
  Report& report_;
  std::array<std::vector<CheckedEntry>, TABLE_COUNT> entries_;
  Span at_;  // the bytes the findings being added point at
};

}  // namespace weft::check
