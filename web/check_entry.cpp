// The entry of weft-check's WebAssembly build that the page calls, once per
// check, in one loaded instance.
#include <emscripten/emscripten.h>

#include "cli/check_run.h"
#include "support/console.h"

// Checks once over `argv` and returns the status, without ending the
// instance.
extern "C" EMSCRIPTEN_KEEPALIVE int weftCheckRunOnce(int argc, char** argv) {
  weft::SystemConsole console;
  return weft::check::checkMain(argc, argv, console);
}
