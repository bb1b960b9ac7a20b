#include "driver/run.h"
#include "support/console.h"

int main(int argc, char** argv) {
  weft::endRun(static_cast<weft::ExitStatus>(weft::runWeft(argc, argv)));
}
