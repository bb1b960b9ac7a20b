#include <cstdlib>

#include "check_run.h"
#include "support/console.h"

int main(int argc, char** argv) {
  weft::SystemConsole console;
  std::exit(weft::check::checkMain(argc, argv, console));
}
