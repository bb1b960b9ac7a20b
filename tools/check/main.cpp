#include <cstdlib>

#include "check_run.h"
#include "support/console.h"

int main(int argc, char** argv) {
  weft::SystemConsole console;
  int status;
  try {
    status = weft::finishRun(
        console, static_cast<weft::ExitStatus>(weft::check::runCheck(argc, argv, console)));
  } catch (const weft::Ending& ending) {
    // Standard output could not be written.
    status = weft::writeEnding(console, ending);
  }
  std::exit(status);
}
