// Checks of the entries of a loaded data file: what its references point at,
// and whether its lines can come out empty or never end.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/data_file.h"
#include "generate/reference.h"
#include "model/report.h"
#include "model/traps.h"

namespace weft::check {

// One reference of an entry, as generation reads it: from a "(" to the first
// ")" behind it.
struct Reference {
  std::string_view inner;  // the text between the parentheses
  ReferenceTarget target;  // what it names
  std::size_t end;         // the offset just behind its ")" in the entry
};

// An entry split the way generation walks it when what references bring in
// holds no parenthesis of its own.
struct ParsedEntry {
  std::vector<Reference> references;
  bool hasText = false;        // some byte stands outside the references
  bool unmatchedOpen = false;  // a "(" with no ")" behind it stays as text
};

ParsedEntry parseEntry(std::string_view entry);

// Checks every entry of `file` and adds what it finds to `report` under
// `path`. `facts` holds what loading showed of the file: the line of each run
// (missing ones count as 0), section lines that never start, tables missed.
// A file listed by another is generated from a copy without sub-files, so
// its references to file names never resolve.
void analyzeDataFile(const DataFile& file, const FileFacts& facts, const std::string& path,
                     Report& report);
// The same, with only the line of each run known.
void analyzeDataFile(const DataFile& file, const EntryLines& lines, const std::string& path,
                     Report& report);

}  // namespace weft::check
