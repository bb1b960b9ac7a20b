// The weft-export program: the command line, one export in memory, and the
// output folder.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/output_file.h"
#include "support/console.h"
#include "support/file_system.h"

namespace weft::exporter {

enum class Format { Foundry, Obsidian, Roll20 };

// What the command line asks for.
struct ExportRequest {
  Format format = Format::Foundry;
  int foundryVersion = 13;
  bool exact = false;
  std::int32_t maxFrequency = 50;
  std::string output;  // the folder to write; empty for the default
  std::map<std::string, std::string> titles;
  std::vector<std::string> operands;
};

// One export, made in memory.
struct ExportResult {
  OutputFiles files;
  std::size_t tables = 0;
  std::size_t dataFiles = 0;
  std::vector<std::string> errors;    // with any of them nothing is to be written
  std::vector<std::string> warnings;  // weft's own diagnostics of loading
  std::vector<std::string> notes;     // what the format cannot carry
};

// Loads the request's data files from `files`, as weft does, and makes the
// files of the export for the folder `request.output`.
ExportResult makeExport(const ExportRequest& request, FileSystem& files, Console& console);

// Returns the folder an export writes when the command line names none:
// the first data file's name without its extension, a hyphen and the format.
std::string defaultOutput(const ExportRequest& request);

// What one run of weft-export did, beside what it told on its console.
struct ExportRun {
  // 0 on success, 1 when the data files cannot be exported or the folder
  // cannot be written, 2 for a bad command line.
  int status = 0;
  std::string folder;                 // the folder written; empty when none was
  std::vector<std::string> warnings;  // weft's own diagnostics of loading
  std::vector<std::string> notes;     // what the format cannot carry, when written
};

// Runs weft-export over `argv`, writing what it tells on `console`.
ExportRun runExport(int argc, char** argv, Console& console);

// Runs weft-export as a process does, an early end of the run included.
ExportRun exportOnce(int argc, char** argv, Console& console);

// weft-export as a process: runs it and returns the status to exit with.
int exportMain(int argc, char** argv, Console& console);

}  // namespace weft::exporter
