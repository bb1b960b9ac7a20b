#include <cstdlib>
#include <string_view>

#include "cli/check_run.h"
#include "lsp/lsp_server.h"
#include "support/console.h"

int main(int argc, char** argv) {
  weft::SystemConsole console;
  if (argc == 2 && std::string_view(argv[1]) == "--lsp") {
    try {
      std::exit(weft::finishRun(
          console, static_cast<weft::ExitStatus>(weft::check::lsp::runLanguageServer())));
    } catch (const weft::Ending& ending) {
      std::exit(weft::writeEnding(console, ending));
    }
  }
  std::exit(weft::check::checkMain(argc, argv, console));
}
