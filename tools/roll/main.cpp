#include <cstdlib>

#include "roll_run.h"
#include "support/clock.h"
#include "support/console.h"

int main(int argc, char** argv) {
  weft::SystemConsole console;
  weft::SystemClock clock;
  std::exit(weft::roll::rollMain(argc, argv, console, clock));
}
