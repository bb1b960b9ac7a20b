#include "check_run.h"
#include "support/console.h"

int main(int argc, char** argv) {
  const int status = weft::check::runCheck(argc, argv);
  weft::flushOut();
  return status;
}
