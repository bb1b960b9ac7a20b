// Checks of the entries of a loaded data file: what its references point at,
// and whether its lines can come out empty or never end.
#pragma once

#include <string>

#include "datafile/data_file.h"
#include "model/file_facts.h"
#include "model/parsed_entry.h"
#include "model/report.h"

namespace weft::check {

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
