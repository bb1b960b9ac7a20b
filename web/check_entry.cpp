// The entries of weft-check's WebAssembly build that the page calls: the
// checker, once per check, in one loaded instance, weft's rule for the
// data-file operands that name a file inside a folder, and the files that
// loading a data file reads.
#include <emscripten/emscripten.h>

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>

#include "checker/checker.h"
#include "cli/check_run.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/directory.h"
#include "support/engine.h"
#include "support/file_system.h"

namespace {

// The text the last operand entry returned, kept until the next call.
std::string kept;

const char* keep(std::string text) {
  kept = std::move(text);
  return kept.c_str();
}

}  // namespace

// Checks once over `argv` and returns the status, without ending the
// instance.
extern "C" EMSCRIPTEN_KEEPALIVE int weftCheckRunOnce(int argc, char** argv) {
  weft::SystemConsole console;
  return weft::check::checkMain(argc, argv, console);
}

// Splits the operand of `size` bytes at `operand` as weft does; returns
// {"directory": text or null, "filename": text} as JSON, valid until the
// next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftSplitOperand(const char* operand,
                                                             std::size_t size) {
  const weft::Operand split = weft::splitOperand(std::string_view(operand, size));
  const nlohmann::json parts = {
      {"directory", split.directory ? nlohmann::json(*split.directory) : nlohmann::json(nullptr)},
      {"filename", split.filename}};
  return keep(parts.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

// Returns the operand that names `filename` inside `directory`, valid until
// the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftJoinOperand(const char* directory,
                                                            std::size_t directorySize,
                                                            const char* filename,
                                                            std::size_t filenameSize) {
  return keep(weft::joinOperand(std::string_view(directory, directorySize),
                                std::string_view(filename, filenameSize)));
}

// Loads the data file `name` of `size` bytes from the working directory, as
// weft does, and returns the files loading read, the file itself first, as
// a JSON array of {"path", "listedBy", "line"} (paths from the working
// directory), valid until the next call. Nothing is written or rolled.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftLoadedFiles(const char* name, std::size_t size) {
  weft::OverlayFileSystem files;
  weft::MemoryConsole console;
  weft::FixedClock clock;
  weft::Engine engine(console, files, clock);
  nlohmann::json loaded = nlohmann::json::array();
  try {
    const weft::check::CheckResult result =
        weft::check::checkDataFile(engine, std::string(name, size), false, false);
    for (const weft::check::LoadedFile& file : result.files) {
      loaded.push_back({{"path", file.path}, {"listedBy", file.listedBy}, {"line", file.line}});
    }
  } catch (const weft::Ending&) {
    // A load that ends the run has read what it lists up to there.
  }
  return keep(loaded.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

// The size in bytes of the text the last operand or loading entry returned.
extern "C" EMSCRIPTEN_KEEPALIVE std::size_t weftOperandSize() { return kept.size(); }
