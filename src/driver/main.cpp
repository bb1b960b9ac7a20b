#include <cstdlib>

#include "driver/run.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/out_of_memory.h"

// The clock runs read: the system's, or in the WebAssembly build the page's,
// which a run may freeze (web/engine_clock.cpp).
weft::Clock& processClock();

#ifndef __EMSCRIPTEN__
weft::Clock& processClock() {
  static weft::SystemClock clock;
  return clock;
}
#endif

namespace {

weft::SystemConsole console;

}  // namespace

int main(int argc, char** argv) {
  weft::endRunOnOutOfMemory(console, "Out of memory");
  std::exit(weft::weftMain(argc, argv, console, processClock()));
}
