// Loading the data files of an export as weft loads them: each operand from
// the folder before its last backslash, with its file lists, its "%chdir:"
// lines and the engine's frequency cap.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "support/engine.h"

namespace weft::exporter {

// One loaded data file: one named on the command line, or the copy of a file
// that one lists, which generation reads without listed files of its own.
struct LoadedDataFile {
  const DataFile* file = nullptr;
  std::string path;     // as shown: relative to the starting folder when below it
  bool listed = false;  // a listed copy: its references to file names never resolve
  // For a file named on the command line, the index in LoadedFiles::files of
  // each of its listed files, in list order.
  std::vector<std::size_t> subfiles;
};

struct LoadedFiles {
  std::vector<std::unique_ptr<DataFile>> operands;
  std::vector<LoadedDataFile> files;  // each operand, then its listed files
  // Problems that end a run of weft, as "PATH:LINE: message"; with any of
  // them the files are not to be exported.
  std::vector<std::string> errors;
  // Diagnostics weft writes while loading and goes on after.
  std::vector<std::string> warnings;
};

// Loads each of `operands` through `engine` (whose file system's working
// directory it moves and brings back).
// REQUIRES: no load observer installed in `engine`
LoadedFiles loadOperands(Engine& engine, const std::vector<std::string>& operands);

}  // namespace weft::exporter
