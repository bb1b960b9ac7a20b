#include <new>

#include "driver/run.h"
#include "support/console.h"

namespace {

// Memory set aside so that running out of it can still be reported: data
// files can ask for more than there is (a file list naming a large file
// thousands of times), and that ends the run with a diagnostic, not a crash.
char* reserve = new char[std::size_t{64} * 1024];

void outOfMemory() {
  delete[] reserve;
  reserve = nullptr;
  std::set_new_handler(nullptr);
  weft::fatal(weft::ExitStatus::OutOfMemory, "Out of memory");
}

}  // namespace

int main(int argc, char** argv) {
  std::set_new_handler(outOfMemory);
  weft::endRun(static_cast<weft::ExitStatus>(weft::runWeft(argc, argv)));
}
