// The entry of weft-export's WebAssembly build that weft.js calls, once per
// export, in one loaded instance: the export writes its folder among the
// instance's files, where weft.js reads it back, and the folder, the notes
// and the warnings of the run wait until the next run.
#include <emscripten/emscripten.h>

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "cli/export_run.h"
#include "support/console.h"

namespace {

// The texts of the last run by part: 0 the folder it wrote (empty when
// none), as its command line named it; 1 its notes; 2 its warnings.
std::array<std::vector<std::string>, 3> parts;

// The size of the text weftExportText returned last.
std::size_t lastSize = 0;

}  // namespace

// Exports once over `argv` and returns the status, without ending the
// instance.
extern "C" EMSCRIPTEN_KEEPALIVE int weftExportRunOnce(int argc, char** argv) {
  weft::SystemConsole console;
  weft::exporter::ExportRun run = weft::exporter::exportOnce(argc, argv, console);
  parts = {std::vector<std::string>{std::move(run.folder)}, std::move(run.notes),
           std::move(run.warnings)};
  return run.status;
}

// The number of texts in `part` of the last run.
extern "C" EMSCRIPTEN_KEEPALIVE std::size_t weftExportCount(std::size_t part) {
  return part < parts.size() ? parts[part].size() : 0;
}

// Returns text `index` of `part` of the last run, valid until the next run,
// or null for none; weftExportTextSize gives its size.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftExportText(std::size_t part, std::size_t index) {
  if (index >= weftExportCount(part)) {
    lastSize = 0;
    return nullptr;
  }
  lastSize = parts[part][index].size();
  return parts[part][index].c_str();
}

// The size in bytes of the text weftExportText returned last.
extern "C" EMSCRIPTEN_KEEPALIVE std::size_t weftExportTextSize() { return lastSize; }
