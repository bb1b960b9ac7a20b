#include "cli/check_run.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checker/checker.h"
#include "cli/explain_run.h"
#include "driver/option_scanner.h"
#include "output/json.h"
#include "output/odds_text.h"
#include "output/report_text.h"
#include "support/console.h"
#include "support/engine.h"
#include "support/numbers.h"

namespace weft::check {

namespace {

constexpr std::string_view kHelp =
    "Checks weft data files before play and reports every problem that weft\n"
    "would report or end its run on, and every place where weft reads the text\n"
    "otherwise than it looks, as file:line: error|warning: message, with a\n"
    "file:line: note: line after it that says what to write instead, and how\n"
    "weft reads what works but may surprise as file:line: note: message; sorted\n"
    "by file and line, then a summary line.\n"
    "\n"
    "  -S, --stats          also show, for each data file, the chance of every\n"
    "                       entry of every table, the totals of its dice and\n"
    "                       how varied the lines of table 0 are\n"
    "  -v, --verbose        with --stats, also the entropy of the lines in bits\n"
    "  -j, --format=json    write the report (and the odds) as one JSON object\n"
    "      --format=text    the default\n"
    "  -m maxfreq           the frequency cap, as weft's -m (default 50)\n"
    "      --lsp            serve editors as a language server on standard input\n"
    "                       and output\n"
    "  -h, --help           show this help\n"
    "      --version        show the version\n"
    "\n"
    "  --explain=SECOND [weft's options] datafile...\n"
    "                       print what weft prints at that clock second, with\n"
    "                       its options (-t, -n, -s, -m, -d), each line followed\n"
    "                       by how it was made (as JSON with --format=json)\n"
    "\n"
    "A backslash in an operand separates its directory part, as in weft.\n"
    "Exit status: 0 clean (notes at most), 1 warnings but no error, 2 errors or a\n"
    "bad command line.\n";

// The long options, each the same as a short one.
struct LongOption {
  std::string_view name;
  char* shortForm;
};

// Rewrites the long options that the scanner would read as options to their
// short forms: "--help" to -h, "--stats" to -S, "--verbose" to -v,
// "--format=json" (or "--format json") to -j; "--format=text" is the default
// and goes, and so does "--version", which sets `version`. Returns false,
// with `bad` set to the element, for another format.
bool translateLongOptions(std::vector<char*>& args, OptionScanner::Ordering ordering,
                          std::string& bad, bool& version) {
  static char help[] = "-h";
  static char stats[] = "-S";
  static char verbose[] = "-v";
  static char json[] = "-j";
  static const LongOption kLong[] = {{"--help", help}, {"--stats", stats}, {"--verbose", verbose}};
  std::vector<char*> out;
  out.push_back(args[0]);
  std::size_t i = 1;
  for (; i < args.size(); ++i) {
    const std::string_view element = args[i];
    if (element == "--") break;
    bool translated = false;
    for (const LongOption& option : kLong) {
      if (element == option.name) {
        out.push_back(option.shortForm);
        translated = true;
      }
    }
    if (translated) continue;
    if (element == "--version") {
      version = true;
      continue;
    }
    if (element == "--format" || element.substr(0, 9) == "--format=") {
      std::string_view format = element.substr(std::min<std::size_t>(element.size(), 9));
      if (element == "--format") {
        if (i + 1 >= args.size()) {
          bad = element;
          return false;
        }
        format = args[++i];
      }
      if (format == "json") {
        out.push_back(json);
      } else if (format != "text") {
        bad = std::string(format);
        return false;
      }
      continue;
    }
    const bool operand = element.size() < 2 || element[0] != '-';
    if (operand && ordering == OptionScanner::Ordering::RequireOrder) break;
    out.push_back(args[i]);
    if (operand) continue;
    // An option group ending in a letter that takes an argument takes the
    // next element whole, whatever it holds.
    if (element.back() == 'm' && element.find('m') == element.size() - 1 && i + 1 < args.size()) {
      out.push_back(args[++i]);
    }
  }
  // The end of the options: the rest stays as it is.
  for (; i < args.size(); ++i) out.push_back(args[i]);
  args = std::move(out);
  return true;
}

// What the command line asks of a check.
struct Request {
  bool stats = false;
  bool verbose = false;
  bool json = false;
  std::size_t firstOperand = 0;  // the index in the arguments of the first data file
  std::int32_t maxFrequency = RunSettings().maxFrequency;
};

// Reads the options of `args` (rewritten to short forms, with a null pointer
// appended) into `request`. Returns the exit status when the run ends here:
// after the help, the version or a bad command line.
std::optional<int> readCommandLine(std::vector<char*>& args, const char* program, Request& request,
                                   Console& console) {
  const OptionScanner::Ordering ordering = environmentHas("_POSIX_OPTION_ORDER")
                                               ? OptionScanner::Ordering::RequireOrder
                                               : OptionScanner::Ordering::Permute;
  std::string badFormat;
  bool version = false;
  if (!translateLongOptions(args, ordering, badFormat, version)) {
    console.writeErrRaw(std::string(program) +
                        (badFormat == "--format" ? std::string(": --format needs a value")
                                                 : ": unknown format \"" + badFormat + "\"") +
                        " (the formats are text and json)\n");
    console.writeErrRaw(std::string("usage: ") + program + " " + kCheckUsage + "\n");
    return 2;
  }
  if (version) {
    console.writeOut("weft-check " WEFT_VERSION "\n");
    console.flushOut();
    return 0;
  }
  args.push_back(nullptr);
  const int argc = static_cast<int>(args.size() - 1);
  OptionScanner scanner(argc, args.data(), kCheckOptionString, console);
  bool badCommandLine = false;
  for (int option; (option = scanner.nextOption()) != -1;) {
    switch (option) {
      case 'h':
        console.writeOut(std::string("usage: ") + program + " " + kCheckUsage + "\n\n");
        console.writeOut(kHelp);
        console.flushOut();
        return 0;
      case 'S':
        request.stats = true;
        break;
      case 'v':
        request.verbose = true;
        break;
      case 'j':
        request.json = true;
        break;
      case 'm':
        request.maxFrequency = readDecimal(scanner.optionArgument());
        break;
      default:
        badCommandLine = true;
        break;
    }
  }
  if (badCommandLine || scanner.optionIndex() >= argc) {
    console.writeErrRaw(std::string("usage: ") + program + " " + kCheckUsage + "\n");
    return 2;
  }
  request.firstOperand = static_cast<std::size_t>(scanner.optionIndex());
  return std::nullopt;
}

}  // namespace

int runCheck(int argc, char** argv, Console& console) {
  OverlayFileSystem files;
  return runCheck(argc, argv, console, files);
}

int runCheck(int argc, char** argv, Console& console, FileSystem& files) {
  if (const int explain = explainOptionIndex(argc, argv); explain > 0) {
    return runExplain(argc, argv, explain, console, files);
  }
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "weft-check";
  std::vector<char*> args;
  args.reserve(static_cast<std::size_t>(std::max(argc, 1)) + 1);
  static char defaultName[] = "weft-check";
  if (argc > 0) {
    args.assign(argv, argv + argc);
  } else {
    args.push_back(defaultName);
  }
  Request request;
  if (const std::optional<int> status = readCommandLine(args, program, request, console)) {
    return *status;
  }
  // Nothing the checker does reads the clock; loading never rolls dice.
  FixedClock clock;
  Engine engine(console, files, clock);
  engine.settings.maxFrequency = request.maxFrequency;

  const std::vector<std::string_view> operands(
      args.begin() + static_cast<std::ptrdiff_t>(request.firstOperand), args.end() - 1);
  const CheckedOperands checked = checkOperands(engine, operands, request.stats);
  std::string out;
  if (request.json) {
    out = jsonReport(checked.diagnostics, checked.fileCount, checked.status,
                     request.stats ? &checked.odds : nullptr);
  } else {
    for (const FileOdds& file : checked.odds) out += describeOdds(file, request.verbose) + "\n";
    for (const Diagnostic& d : checked.diagnostics) out += formatDiagnostic(d) + "\n";
    out += formatSummary(checked.diagnostics, checked.fileCount) + "\n";
  }
  console.writeOut(out);
  console.flushOut();
  return checked.status;
}

int checkMain(int argc, char** argv, Console& console) {
  try {
    return finishRun(console, static_cast<ExitStatus>(runCheck(argc, argv, console)));
  } catch (const Ending& ending) {
    // Standard output could not be written.
    return writeEnding(console, ending);
  }
}

}  // namespace weft::check
