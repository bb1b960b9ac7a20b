#include <cstdlib>
#include <string_view>

#include "cli/check_run.h"
#include "lsp/lsp_server.h"
#include "support/console.h"
#include "support/out_of_memory.h"

int main(int argc, char** argv) {
  weft::SystemConsole console;
  // The server goes on after a piece of work runs out of memory: it catches
  // std::bad_alloc around each one and says so on the buffer.
  if (argc == 2 && std::string_view(argv[1]) == "--lsp") {
    try {
      std::exit(weft::finishRun(
          console, static_cast<weft::ExitStatus>(weft::check::lsp::runLanguageServer())));
    } catch (const weft::Ending& ending) {
      std::exit(weft::writeEnding(console, ending));
    }
  }
  weft::endRunOnOutOfMemory(console, "weft-check: out of memory");
  std::exit(weft::check::checkMain(argc, argv, console));
}
