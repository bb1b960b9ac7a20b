#include <cstdlib>

#include "cli/export_run.h"
#include "support/console.h"

int main(int argc, char** argv) {
  weft::SystemConsole console;
  std::exit(weft::exporter::exportMain(argc, argv, console));
}
