#include "support/out_of_memory.h"

#include <cstdlib>
#include <new>

#include "support/console.h"

namespace weft {

namespace {

char* reserve = nullptr;
Console* endingConsole = nullptr;
const char* endingMessage = nullptr;

void outOfMemory() {
  delete[] reserve;
  reserve = nullptr;
  std::set_new_handler(nullptr);
  std::exit(writeEnding(*endingConsole, {ExitStatus::OutOfMemory, endingMessage}));
}

}  // namespace

void endRunOnOutOfMemory(Console& console, const char* message) {
  endingConsole = &console;
  endingMessage = message;
  if (reserve == nullptr) reserve = new char[std::size_t{64} * 1024];
  std::set_new_handler(outOfMemory);
}

}  // namespace weft
