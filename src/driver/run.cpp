#include "driver/run.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "datafile/data_file.h"
#include "driver/operand_file.h"
#include "driver/option_scanner.h"
#include "support/console.h"
#include "support/numbers.h"

namespace weft {

namespace {

constexpr std::size_t kTitleWidth = 12;

// Returns a + b, wrapping round at the 32-bit limits as the counters of the
// command line do.
std::int32_t addWrapping(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

struct Options {
  std::int32_t numElements = 1;
  std::int32_t seedOffset = 0;
  std::int32_t showTitles = 0;
};

Options readOptions(OptionScanner& scanner, const char* program, Engine& engine) {
  RunSettings& settings = engine.settings;
  Options options;
  for (int option; (option = scanner.nextOption()) != -1;) {
    switch (option) {
      case 't':
        options.showTitles = addWrapping(options.showTitles, 1);
        break;
      case 'd':
        settings.debugLevel = addWrapping(settings.debugLevel, 1);
        break;
      case 'n':
        options.numElements = readDecimal(scanner.optionArgument());
        if (options.numElements < 1) {
          fatal(ExitStatus::InvalidInput, "Invalid number of elements specified with -n");
        }
        break;
      case 'm':
        settings.maxFrequency = readDecimal(scanner.optionArgument());
        break;
      case 's':
        options.seedOffset = addWrapping(options.seedOffset, readDecimal(scanner.optionArgument()));
        break;
      default:
        engine.console.writeErrRaw(std::string("usage:\n") + program + " " + kUsageText + "\n");
        break;
    }
  }
  return options;
}

void printLines(Engine& engine, const DataFile& file, const Options& options) {
  Console& console = engine.console;
  std::string title;
  if (options.showTitles != 0) {
    // Left-adjusted in a field of 12; a longer title is written whole.
    title = file.title();
    if (title.size() < kTitleWidth) title.resize(kTitleWidth, ' ');
    title += ": ";
  }
  // Kept from line to line, so that a line allocates nothing once it has grown.
  std::string line;
  for (std::int32_t i = 0; i < options.numElements; ++i) {
    console.writeOut(title);
    file.generateInto(engine, line);
    line += '\n';
    console.writeOut(line);
    console.flushOut();
  }
}

}  // namespace

int runWeft(int argc, char** argv, Engine& engine) {
  FileSystem& files = engine.files;
  const std::string startDirectory = files.workingDirectory();
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  OptionScanner scanner(argc, argv, kOptionString, engine.console);
  const Options options = readOptions(scanner, program, engine);

  engine.random.seedRandom(static_cast<std::uint32_t>(engine.clock.now()) +
                           static_cast<std::uint32_t>(options.seedOffset));

  for (int index = scanner.optionIndex(); index < argc; ++index) {
    OperandFile operand(engine, argv[index], startDirectory);
    printLines(engine, operand.file(), options);
    if (startDirectory.empty()) {
      fatal(ExitStatus::NoStartDirectory, "$PWD not exported to your environment");
    }
    operand.finish();
  }
  return static_cast<int>(ExitStatus::Normal);
}

int weftMain(int argc, char** argv, Console& console, Clock& clock) {
  SystemFileSystem files;
  Engine engine(console, files, clock);
  try {
    return finishRun(console, static_cast<ExitStatus>(runWeft(argc, argv, engine)));
  } catch (const Ending& ending) {
    return writeEnding(console, ending);
  }
}

}  // namespace weft
