#include "driver/run.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "datafile/data_file.h"
#include "driver/option_scanner.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/directory.h"
#include "support/numbers.h"
#include "support/random_source.h"
#include "support/settings.h"

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

Options readOptions(OptionScanner& scanner, const char* program) {
  Options options;
  for (int option; (option = scanner.nextOption()) != -1;) {
    switch (option) {
      case 't':
        options.showTitles = addWrapping(options.showTitles, 1);
        break;
      case 'd':
        runSettings().debugLevel = addWrapping(runSettings().debugLevel, 1);
        break;
      case 'n':
        options.numElements = readDecimal(scanner.optionArgument());
        if (options.numElements < 1) {
          fatal(ExitStatus::InvalidInput, "Invalid number of elements specified with -n");
        }
        break;
      case 'm':
        runSettings().maxFrequency = readDecimal(scanner.optionArgument());
        break;
      case 's':
        options.seedOffset = addWrapping(options.seedOffset, readDecimal(scanner.optionArgument()));
        break;
      default:
        writeErrRaw(std::string("usage:\n") + program + " " + kUsageText + "\n");
        break;
    }
  }
  return options;
}

void printLines(const DataFile& file, const Options& options) {
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
    writeOut(title);
    file.generateInto(line);
    line += '\n';
    writeOut(line);
    flushOut();
  }
}

}  // namespace

int runWeft(int argc, char** argv) {
  const std::string startDirectory = workingDirectory();
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  OptionScanner scanner(argc, argv, kOptionString);
  const Options options = readOptions(scanner, program);

  randomSource().seedRandom(static_cast<std::uint32_t>(currentTime()) +
                            static_cast<std::uint32_t>(options.seedOffset));

  for (int index = scanner.optionIndex(); index < argc; ++index) {
    const Operand operand = splitOperand(argv[index]);
    if (operand.directory && !changeDirectory(*operand.directory)) {
      reportLine("Can't change directory to " + *operand.directory);
    }
    {
      const DataFile file(operand.filename, nullptr);
      printLines(file, options);
      if (startDirectory.empty()) {
        fatal(ExitStatus::NoStartDirectory, "$PWD not exported to your environment");
      }
      if (!changeDirectory(startDirectory)) {
        reportLine("Can't change directory to " + startDirectory);
      }
    }
  }
  return static_cast<int>(ExitStatus::Normal);
}

}  // namespace weft
