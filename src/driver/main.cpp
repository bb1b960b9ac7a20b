#include <cstdlib>
#include <new>

#include "driver/run.h"
#include "support/clock.h"
#include "support/console.h"

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

// Memory set aside so that running out of it can still be reported: data
// files can ask for more than there is (a file list naming a large file
// thousands of times), and that ends the run with a diagnostic, not a crash.
char* reserve = new char[std::size_t{64} * 1024];

weft::SystemConsole console;

void outOfMemory() {
  delete[] reserve;
  reserve = nullptr;
  std::set_new_handler(nullptr);
  std::exit(weft::writeEnding(console, {weft::ExitStatus::OutOfMemory, "Out of memory"}));
}

}  // namespace

int main(int argc, char** argv) {
  std::set_new_handler(outOfMemory);
  std::exit(weft::weftMain(argc, argv, console, processClock()));
}
