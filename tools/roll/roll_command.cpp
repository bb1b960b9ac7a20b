#include "roll_command.h"

#include <getopt.h>

#include <charconv>
#include <limits>
#include <string_view>

namespace weft::roll {

namespace {

constexpr std::size_t kMaxLines = 100'000;
constexpr std::size_t kMaxStep = 1'000'000;
// The seconds of a search are held at once: a million of them take 8 MB.
constexpr std::uint64_t kMaxTries = 1'000'000;

constexpr const char* kUsage =
    "usage: %s [-n N] [--seconds] [--unique] [--keep-case] [--at=SECOND [--keep=STEPS]]\n"
    "       [--steps] [--format=text|markdown|csv|json] [-m MAXFREQ] [-s SEED] datafile...\n";

constexpr const char* kHelp =
    "Rolls lines of weft's data files at the table: each line is the line weft\n"
    "prints when the clock shows a second of its own, shown with --seconds, so\n"
    "that faketime repeats it.\n"
    "\n"
    "  -n, --lines=N          N lines of each data file (default 1)\n"
    "      --seconds          show each line's clock second\n"
    "  -u, --unique           no line twice: seconds that repeat a line are passed over\n"
    "  -c, --keep-case        capitals as the author wrote them\n"
    "  -a, --at=SECOND        start from that clock second, to repeat a roll\n"
    "  -k, --keep=STEPS       with --at: keep those steps of that line (such as 1,3-4)\n"
    "                         and roll the rest again, at the nearest seconds\n"
    "      --steps            show how each line was made, its steps numbered\n"
    "  -f, --format=FORMAT    text (default), markdown, csv or json\n"
    "      --tries=N          with --unique or --keep: try at most N seconds (100000)\n"
    "      --time-limit=MS    with --unique or --keep: search at most MS ms (5000)\n"
    "  -m, --max-frequency=N  cap every frequency at N, as weft -m (default 50)\n"
    "  -s, --seed=N           add N to the seed, as weft -s\n"
    "  -h, --help             show this help\n"
    "      --version          show the version\n"
    "\n"
    "A data file named as dir\\file.dat is read from inside dir, as weft reads it.\n"
    "Exit status: 0 when every line asked for was made, 1 when --unique or --keep\n"
    "found fewer within the budget, 2 for bad usage, and weft's own status when\n"
    "weft ends a run on a problem.\n";

enum LongOnly : int { kSeconds = 256, kSteps, kTries, kTimeLimit, kVersion };

constexpr option kOptions[] = {
    {"lines", required_argument, nullptr, 'n'},
    {"seconds", no_argument, nullptr, kSeconds},
    {"unique", no_argument, nullptr, 'u'},
    {"keep-case", no_argument, nullptr, 'c'},
    {"at", required_argument, nullptr, 'a'},
    {"keep", required_argument, nullptr, 'k'},
    {"steps", no_argument, nullptr, kSteps},
    {"format", required_argument, nullptr, 'f'},
    {"tries", required_argument, nullptr, kTries},
    {"time-limit", required_argument, nullptr, kTimeLimit},
    {"max-frequency", required_argument, nullptr, 'm'},
    {"seed", required_argument, nullptr, 's'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

std::string usage(const char* program) {
  std::string text = kUsage;
  for (std::size_t at; (at = text.find("%s")) != std::string::npos;) text.replace(at, 2, program);
  return text;
}

// Reads a whole decimal number from `min` to `max`.
template <class Number>
bool readNumber(std::string_view text, Number min, Number max, Number& value) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  Number read{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  if (read < min || read > max) return false;
  value = read;
  return true;
}

bool readFormat(std::string_view text, Format& format) {
  static constexpr std::pair<std::string_view, Format> kFormats[] = {{"text", Format::Text},
                                                                     {"markdown", Format::Markdown},
                                                                     {"csv", Format::Csv},
                                                                     {"json", Format::Json}};
  for (const auto& [name, value] : kFormats) {
    if (text == name) {
      format = value;
      return true;
    }
  }
  return false;
}

// The message for an option that getopt_long did not take: `shown` is the
// element it stood in.
std::string unknownOption(std::string_view shown, int letter) {
  if (shown.substr(0, 2) != "--")
    return std::string("unrecognized option '-") + static_cast<char>(letter) + "'";
  const std::string_view name = shown.substr(2, shown.find('=') - 2);
  int matching = 0;
  for (const option& known : kOptions) {
    if (known.name == nullptr) continue;
    const std::string_view full = known.name;
    if (full == name) return "option '--" + std::string(name) + "' takes no value";
    if (full.substr(0, name.size()) == name) ++matching;
  }
  if (matching > 1) return "option '--" + std::string(name) + "' is ambiguous";
  return "unrecognized option '" + std::string(shown) + "'";
}

ParsedCommand badUsage(const char* program, const std::string& message) {
  ParsedCommand parsed;
  parsed.status = 2;
  if (!message.empty()) parsed.err = std::string(program) + ": " + message + "\n";
  parsed.err += "Try '" + std::string(program) + " --help' for more information.\n";
  return parsed;
}

// Reads one option into `command`; returns the message of a bad value, or "".
std::string readOption(int option, std::string_view value, RollCommand& command) {
  using Limits = std::numeric_limits<std::int64_t>;
  using Small = std::numeric_limits<std::int32_t>;
  switch (option) {
    case 'n':
      return readNumber<std::size_t>(value, 1, kMaxLines, command.lines)
                 ? ""
                 : "-n needs a number of lines from 1 to " + std::to_string(kMaxLines);
    case 'a': {
      std::int64_t second = 0;
      if (!readNumber(value, Limits::min(), Limits::max(), second)) {
        return "--at needs a clock second, a whole number of seconds since 1970";
      }
      command.at = second;
      return "";
    }
    case 'k':
      return readStepList(std::string(value), command.keep)
                 ? ""
                 : "--keep needs step numbers from 1, such as 2 or 1,3-4";
    case 'f':
      return readFormat(value, command.format)
                 ? ""
                 : "unknown format \"" + std::string(value) +
                       "\" (the formats are text, markdown, csv and json)";
    case kTries:
      return readNumber<std::uint64_t>(value, 1, kMaxTries, command.budget.seconds)
                 ? ""
                 : "--tries needs a number of seconds from 1 to " + std::to_string(kMaxTries);
    case kTimeLimit: {
      std::int64_t ms = 0;
      if (!readNumber<std::int64_t>(value, 1, 86'400'000, ms)) {
        return "--time-limit needs milliseconds from 1 to 86400000";
      }
      command.budget.time = std::chrono::milliseconds(ms);
      return "";
    }
    case 'm':
      return readNumber(value, Small::min(), Small::max(), command.settings.maxFrequency)
                 ? ""
                 : "-m needs a whole number, as weft's -m";
    case 's': {
      std::int32_t seed = 0;
      if (!readNumber(value, Small::min(), Small::max(), seed)) {
        return "-s needs a whole number, as weft's -s";
      }
      // Several add up, wrapping round as weft's do.
      command.settings.seedOffset =
          static_cast<std::int32_t>(static_cast<std::uint32_t>(command.settings.seedOffset) +
                                    static_cast<std::uint32_t>(seed));
      return "";
    }
  }
  return "";
}

}  // namespace

bool readStepList(const std::string& text, std::vector<std::size_t>& steps) {
  std::vector<std::size_t> read;
  std::string_view rest = text;
  while (true) {
    const std::size_t comma = rest.find(',');
    const std::string_view item = rest.substr(0, comma);
    const std::size_t dash = item.find('-');
    std::size_t first = 0;
    std::size_t last = 0;
    if (!readNumber<std::size_t>(item.substr(0, dash), 1, kMaxStep, first)) return false;
    last = first;
    if (dash != std::string_view::npos &&
        !readNumber<std::size_t>(item.substr(dash + 1), first, kMaxStep, last)) {
      return false;
    }
    for (std::size_t step = first; step <= last; ++step) read.push_back(step);
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  steps = std::move(read);
  return true;
}

ParsedCommand parseCommand(int argc, char** argv) {
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "weft-roll";
  RollCommand command;
  bool caseKept = false;
  opterr = 0;
  optind = 1;
  for (int option;
       (option = getopt_long(argc, argv, ":n:uca:k:f:m:s:h", kOptions, nullptr)) != -1;) {
    const std::string_view value = optarg != nullptr ? optarg : "";
    const std::string shown = optind > 0 && optind <= argc ? argv[optind - 1] : "";
    switch (option) {
      case 'h':
        return {std::nullopt, 0, usage(program) + "\n" + kHelp, ""};
      case kVersion:
        return {std::nullopt, 0, std::string("weft-roll ") + WEFT_VERSION + "\n", ""};
      case kSeconds:
        command.seconds = true;
        break;
      case kSteps:
        command.steps = true;
        break;
      case 'u':
        command.unique = true;
        break;
      case 'c':
        caseKept = true;
        break;
      case '?':
        return badUsage(program, unknownOption(shown, optopt));
      case ':':
        return badUsage(program, "option '" +
                                     (shown.substr(0, 2) == "--"
                                          ? shown
                                          : std::string("-") + static_cast<char>(optopt)) +
                                     "' needs a value");
      default:
        if (const std::string message = readOption(option, value, command); !message.empty()) {
          return badUsage(program, message);
        }
        break;
    }
  }
  for (int i = optind; i < argc; ++i) command.files.emplace_back(argv[i]);
  command.settings.keepCase = caseKept;
  if (command.files.empty()) return badUsage(program, "no data file named");
  if (!command.keep.empty() && !command.at) {
    return badUsage(program, "--keep needs --at=SECOND, the second of the line to keep parts of");
  }
  if (command.steps && command.format != Format::Text) {
    return badUsage(program, "--steps goes with --format=text; json always holds the steps");
  }
  command.settings.steps = command.steps || !command.keep.empty() || command.format == Format::Json;
  return {std::move(command), 0, "", ""};
}

}  // namespace weft::roll
