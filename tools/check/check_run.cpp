#include "check_run.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "analysis.h"
#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "driver/option_scanner.h"
#include "driver/run.h"
#include "report.h"
#include "stats.h"
#include "support/console.h"
#include "support/directory.h"
#include "support/numbers.h"
#include "support/settings.h"

namespace weft::check {

namespace {

constexpr std::string_view kHelp =
    "Checks weft data files before play and reports every problem that weft\n"
    "would report or end its run on, as file:line: error|warning: message,\n"
    "sorted by file and line, then a summary line.\n"
    "\n"
    "  -S, --stats   also show, for each data file, the odds of every entry of\n"
    "                every table and the lines that table 0 can make\n"
    "  -m maxfreq    the frequency cap, as weft's -m (default 50)\n"
    "  -h            show this help\n"
    "\n"
    "A backslash in an operand separates its directory part, as in weft.\n"
    "Exit status: 0 clean, 1 warnings only, 2 errors or a bad command line.\n";

// Records load problems and checks each data file once it has loaded.
class Checker final : public LoadObserver {
 public:
  Checker(Report& report, bool stats, std::string startDirectory)
      : report_(report), stats_(stats), startDirectory_(std::move(startDirectory)) {}

  void loading(const DataFile& file) override {
    FileState& state = files_[&file];
    state = FileState{};
    state.path = displayPath(file.filename());
    state.order = order_++;
    paths_.insert(state.path);
  }

  void entryAdded(const DataFile& file, int table, std::uint64_t line) override {
    const auto it = files_.find(&file);
    if (it == files_.end() || table < 0 || table >= TABLE_COUNT) return;
    it->second.lines[static_cast<std::size_t>(table)].push_back(line);
  }

  void problem(const DataFile& file, const LoadProblem& problem) override {
    std::string path = pathOf(file);
    std::uint64_t line = problem.line;
    const std::string name = "\"" + file.filename() + "\"";
    // A listed file that cannot be loaded is reported at its line in the list.
    const auto atListingLine = [&] {
      if (file.parent() == nullptr || files_.count(file.parent()) == 0) return;
      path = pathOf(*file.parent());
      line = file.parent()->lineNumber();
    };
    switch (problem.event) {
      case Event::CantRead:
        atListingLine();
        report_.add(path, line, Severity::Error, "can't read " + name);
        break;
      case Event::FileListLoop:
        atListingLine();
        report_.add(path, line, Severity::Error,
                    "file list loop: " + name + " is already being loaded; weft ends the run");
        break;
      case Event::FileListTooDeep:
        atListingLine();
        report_.add(path, line, Severity::Error,
                    "file lists nested too deeply at " + name + "; weft ends the run");
        break;
      case Event::TooManyFiles:
        atListingLine();
        report_.add(path, line, Severity::Error,
                    "file lists load too many files (more than " + std::to_string(problem.limit) +
                        ") at " + name + "; weft ends the run");
        break;
      case Event::CantChangeDirectory:
        report_.add(path, line, Severity::Error,
                    "can't change directory to \"" + std::string(problem.directory) +
                        "\"; weft ends the run");
        break;
      case Event::TableInFileList:
        report_.add(path, line, Severity::Error,
                    "file-list line contains \"table\"; weft ends the run");
        break;
      case Event::TableOutOfRange:
        report_.add(
            path, line, Severity::Warning,
            "%table number outside 0 to 19; the entries up to the next valid %table are dropped");
        break;
      case Event::FrequencyCapped:
        report_.add(path, line, Severity::Warning,
                    "frequency lowered to the cap of " + std::to_string(problem.limit));
        break;
      case Event::EntryDropped:
        report_.add(path, line, Severity::Warning, "frequency below 1; the entry is dropped");
        break;
      case Event::LineSplit:
        report_.add(path, line, Severity::Warning,
                    "line longer than weft reads at once (1023 bytes, or 1022 when continued); the "
                    "rest is read as a line of its own");
        break;
      case Event::UnsupportedSection:
        report_.add(path, line, Severity::Warning,
                    "unsupported section (weft writes \"" + std::string(problem.message) + "\")");
        break;
    }
  }

  void loaded(const DataFile& file) override {
    const auto it = files_.find(&file);
    if (it == files_.end()) return;
    analyzeDataFile(file, it->second.lines, it->second.path, report_);
    if (stats_) statsBlocks_.emplace_back(it->second.order, describeOdds(file, it->second.path));
    files_.erase(it);
  }

  // Returns the --stats text of every file, in the order loading started,
  // each distinct text once.
  std::string statsText() {
    std::sort(statsBlocks_.begin(), statsBlocks_.end());
    std::string text;
    std::set<std::string_view> seen;
    for (const auto& [order, block] : statsBlocks_) {
      if (seen.insert(block).second) text += block + "\n";
    }
    return text;
  }

  std::size_t fileCount() const { return paths_.size(); }

  // Returns the name to show for `filename`, opened from the working
  // directory: relative to the starting directory when it lies below it.
  std::string displayPath(const std::string& filename) const {
    if (!filename.empty() && filename[0] == '/') return filename;
    const std::string directory = workingDirectory();
    if (directory.empty()) return filename;
    if (directory == startDirectory_) return filename;
    std::string full = directory + "/" + filename;
    if (!startDirectory_.empty()) {
      const std::string prefix = startDirectory_ == "/" ? "/" : startDirectory_ + "/";
      if (full.compare(0, prefix.size(), prefix) == 0) full.erase(0, prefix.size());
    }
    return full;
  }

 private:
  struct FileState {
    std::string path;
    EntryLines lines;
    std::size_t order = 0;
  };

  std::string pathOf(const DataFile& file) const {
    const auto it = files_.find(&file);
    return it == files_.end() ? file.filename() : it->second.path;
  }

  Report& report_;
  const bool stats_;
  const std::string startDirectory_;
  std::unordered_map<const DataFile*, FileState> files_;
  std::size_t order_ = 0;
  std::vector<std::pair<std::size_t, std::string>> statsBlocks_;
  std::set<std::string> paths_;
};

// Rewrites each "--stats" that the scanner would read as options to -S.
void translateLongOptions(int argc, char** argv, OptionScanner::Ordering ordering) {
  static char shortStats[] = "-S";
  for (int i = 1; i < argc; ++i) {
    const std::string_view element = argv[i];
    if (element == "--") return;
    if (element == "--stats") {
      argv[i] = shortStats;
      continue;
    }
    const bool operand = element.size() < 2 || element[0] != '-';
    if (operand) {
      if (ordering == OptionScanner::Ordering::RequireOrder) return;
      continue;
    }
    // An option group ending in a letter that takes an argument takes the
    // next element whole, whatever it holds.
    if (element.back() == 'm' && element.find('m') == element.size() - 1) ++i;
  }
}

}  // namespace

int runCheck(int argc, char** argv) {
  const std::string startDirectory = workingDirectory();
  const char* program = argc > 0 && argv[0] != nullptr ? argv[0] : "weft-check";
  const OptionScanner::Ordering ordering = environmentHas("_POSIX_OPTION_ORDER")
                                               ? OptionScanner::Ordering::RequireOrder
                                               : OptionScanner::Ordering::Permute;
  translateLongOptions(argc, argv, ordering);
  OptionScanner scanner(argc, argv, kCheckOptionString);
  bool stats = false;
  bool badCommandLine = false;
  for (int option; (option = scanner.nextOption()) != -1;) {
    switch (option) {
      case 'h':
        writeOut(std::string("usage: ") + program + " " + kCheckUsage + "\n\n");
        writeOut(kHelp);
        flushOut();
        return 0;
      case 'S':
        stats = true;
        break;
      case 'm':
        runSettings().maxFrequency = readDecimal(scanner.optionArgument());
        break;
      default:
        badCommandLine = true;
        break;
    }
  }
  if (badCommandLine || scanner.optionIndex() >= argc) {
    writeErrRaw(std::string("usage: ") + program + " " + kCheckUsage + "\n");
    return 2;
  }

  Report report;
  Checker checker(report, stats, startDirectory);
  setLoadObserver(&checker);
  for (int index = scanner.optionIndex(); index < argc; ++index) {
    const std::string_view operand(argv[index]);
    const Operand parts = splitOperand(operand);
    if (parts.directory && !changeDirectory(*parts.directory)) {
      report.add(std::string(operand), 0, Severity::Error,
                 "can't change directory to \"" + *parts.directory + "\"");
    }
    { const DataFile file(parts.filename, nullptr); }
    if (startDirectory.empty()) {
      report.add(std::string(operand), 0, Severity::Error,
                 "the working directory cannot be read; weft ends the run after this file");
    } else if (!changeDirectory(startDirectory)) {
      report.add(std::string(operand), 0, Severity::Error,
                 "can't change back to directory \"" + startDirectory + "\"");
    }
  }
  setLoadObserver(nullptr);

  std::string out = stats ? checker.statsText() : std::string();
  const std::vector<Diagnostic> diagnostics = report.sorted();
  for (const Diagnostic& d : diagnostics) out += formatDiagnostic(d) + "\n";
  out += formatSummary(diagnostics, checker.fileCount()) + "\n";
  writeOut(out);
  flushOut();
  return report.status();
}

}  // namespace weft::check
