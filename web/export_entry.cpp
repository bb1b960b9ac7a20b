// The entry of weft-export's WebAssembly build that weft.js calls, once per
// export, in one loaded instance: the export writes its folder among the
// instance's files, where weft.js reads it back, and the folder, the notes
// and the warnings of the run wait as JSON until the next run.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/export_run.h"
#include "support/console.h"

namespace {

// The report of the last run.
std::string report;

}  // namespace

// Exports once over `argv` and returns the status, without ending the
// instance.
extern "C" EMSCRIPTEN_KEEPALIVE int weftExportRunOnce(int argc, char** argv) {
  weft::SystemConsole console;
  const weft::exporter::ExportRun run = weft::exporter::exportOnce(argc, argv, console);
  const nlohmann::json parts = {
      {"folder", run.folder}, {"notes", run.notes}, {"warnings", run.warnings}};
  report = parts.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return run.status;
}

// Returns the last run's {"folder", "notes", "warnings"}: the folder it wrote
// (empty when none) as its command line named it, what the format cannot
// carry, and loading's diagnostics; valid until the next run.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftExportReport() { return report.c_str(); }

// The size in bytes of the last run's report.
extern "C" EMSCRIPTEN_KEEPALIVE std::size_t weftExportReportSize() { return report.size(); }
