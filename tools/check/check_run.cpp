#include "check_run.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
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
#include "explain.h"
#include "json.h"
#include "lsp_server.h"
#include "report.h"
#include "stats.h"
#include "support/ascii.h"
#include "support/console.h"
#include "support/directory.h"
#include "support/engine.h"
#include "support/numbers.h"
#include "traps.h"

namespace weft::check {

namespace {

constexpr std::string_view kHelp =
    "Checks weft data files before play and reports every problem that weft\n"
    "would report or end its run on, and every place where weft reads the text\n"
    "otherwise than it looks, as file:line: error|warning: message, with a\n"
    "file:line: note: line after it that says what to write instead; sorted by\n"
    "file and line, then a summary line.\n"
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
    "Exit status: 0 clean, 1 warnings only, 2 errors or a bad command line.\n";

// Records load problems and checks each data file once it has loaded.
class Checker final : public LoadObserver {
 public:
  Checker(Report& report, bool stats, FileSystem& files, std::string startDirectory)
      : report_(report),
        stats_(stats),
        fileSystem_(files),
        startDirectory_(std::move(startDirectory)) {}

  void loading(const DataFile& file) override {
    const std::string path = displayPath(file.filename());
    auto state = std::make_unique<FileState>(path, report_);
    state->order = order_++;
    paths_.insert(path);
    loads_.push_back(LoadedFile{path, file.parent() == nullptr ? "" : pathOf(*file.parent()),
                                file.parent() == nullptr ? 0 : file.parent()->lineNumber()});
    checkName(file, path);
    files_[&file] = std::move(state);
  }

  void entryAdded(const DataFile& file, int table, std::uint64_t line) override {
    FileState* state = stateOf(file);
    if (state == nullptr || table < 0 || table >= TABLE_COUNT) return;
    state->facts.lines[static_cast<std::size_t>(table)].push_back(line);
  }

  void pieceRead(const DataFile& file, std::uint64_t line, std::string_view text, std::size_t kept,
                 bool continued) override {
    if (FileState* state = stateOf(file)) state->traps.pieceRead(line, text, kept, continued);
  }

  void lineInterpreted(const DataFile& file, const ClassifiedLine& read,
                       std::string_view line) override {
    FileState* state = stateOf(file);
    if (state == nullptr) return;
    state->traps.lineInterpreted(file, read, line, state->dropped, state->chdirFailed);
    state->dropped = state->chdirFailed = false;
    if (read.kind == LineKind::FileListName && file.parent() == nullptr) {
      // References resolve only in a data file named on the command line.
      const auto [it, inserted] = state->listed.emplace(std::string(line), file.lineNumber());
      if (!inserted) {
        report_.add(state->path, file.lineNumber(), Severity::Warning,
                    "a file named \"" + std::string(line) + "\" is listed already (line " +
                        std::to_string(it->second) + "): a reference (" + std::string(line) +
                        ") makes a line from each of them and keeps only the last",
                    "give each listed file a name of its own, even in different folders");
      }
    }
  }

  void problem(const DataFile& file, const LoadProblem& problem) override {
    const std::string path = pathOf(file);
    const std::uint64_t line = problem.line;
    switch (problem.event) {
      case Event::CantRead:
      case Event::FileListLoop:
      case Event::FileListTooDeep:
      case Event::TooManyFiles:
        fileListProblem(file, problem);
        break;
      case Event::CantChangeDirectory:
        // Reported with its reason once the line is interpreted.
        if (FileState* state = stateOf(file)) state->chdirFailed = true;
        break;
      case Event::TableInFileList: {
        report_.add(path, line, Severity::Error,
                    "file-list line contains \"table\"; weft ends the run",
                    "a reference to this name would read as a table reference: rename the file "
                    "without \"table\"");
      } break;
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
        // Reported with its reason once the line is interpreted.
        if (FileState* state = stateOf(file)) state->dropped = true;
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

  // A problem of loading a file that a file list names: reported at its
  // line in the list, when the list is known.
  void fileListProblem(const DataFile& file, const LoadProblem& problem) {
    std::string path = pathOf(file);
    std::uint64_t line = problem.line;
    const std::string name = "\"" + file.filename() + "\"";
    std::string note;
    if (FileState* parent = file.parent() == nullptr ? nullptr : stateOf(*file.parent())) {
      path = parent->path;
      line = file.parent()->lineNumber();
      note = parent->traps.whyListed(file.filename());
    }
    switch (problem.event) {
      case Event::CantRead:
        report_.add(path, line, Severity::Error, "can't read " + name, note);
        break;
      case Event::FileListLoop:
        report_.add(path, line, Severity::Error,
                    "file list loop: " + name + " is already being loaded; weft ends the run",
                    "a file may not list itself, directly or through the files it lists");
        break;
      case Event::FileListTooDeep:
        report_.add(path, line, Severity::Error,
                    "file lists nested too deeply at " + name + "; weft ends the run",
                    "keep file lists a few levels deep");
        break;
      case Event::TooManyFiles:
        report_.add(path, line, Severity::Error,
                    "file lists load too many files (more than " + std::to_string(problem.limit) +
                        ") at " + name + "; weft ends the run",
                    "every line of a file list loads its file again, with all the files it lists: "
                    "list each file once");
        break;
      default:
        break;
    }
  }

  void loaded(const DataFile& file) override {
    const auto it = files_.find(&file);
    if (it == files_.end()) return;
    analyzeDataFile(file, it->second->facts, it->second->path, report_);
    if (stats_) {
      FileOdds odds = computeOdds(file, it->second->path, &it->second->facts.lines, searchLines);
      // Sampling weft's own lines costs as much as the search, so it runs
      // only where the search does.
      if (searchLines && !exactLines(odds)) {
        odds.sampled = sampleLines(file, fileSystem_, &it->second->facts.lines);
        reportEndings(*odds.sampled, it->second->path);
      }
      statsBlocks_.emplace_back(it->second->order, std::move(odds));
    }
    files_.erase(it);
  }

  // Reports each way the sampled rolls ended the run at the line picked.
  void reportEndings(const SampledLines& sampled, const std::string& path) {
    for (const SampledEnding& ending : sampled.endings) {
      report_.add(path, ending.line, Severity::Warning,
                  "in " + std::to_string(ending.rolls) + " of " + std::to_string(sampled.rolls) +
                      " rolls, the line picked here ended weft's run: " + printable(ending.message),
                  "weft ends the whole run there; the lines asked for after it are not made");
    }
  }

  // Returns the odds of every file, in the order loading started, each
  // distinct block once (a file loaded twice shows once).
  std::vector<FileOdds> stats() {
    std::stable_sort(statsBlocks_.begin(), statsBlocks_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<FileOdds> result;
    std::set<std::string> seen;
    for (auto& [order, odds] : statsBlocks_) {
      if (seen.insert(describeOdds(odds, false)).second) result.push_back(std::move(odds));
    }
    return result;
  }

  std::size_t fileCount() const { return paths_.size(); }
  std::vector<LoadedFile>& loads() { return loads_; }
  bool searchLines = true;  // with stats: the lines of table 0 searched too

  // Returns the name to show for `filename`, opened from the working
  // directory: relative to the starting directory when it lies below it.
  std::string displayPath(const std::string& filename) const {
    if (!filename.empty() && filename[0] == '/') return filename;
    const std::string directory = fileSystem_.workingDirectory();
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
    FileState(std::string shownPath, Report& report)
        : path(std::move(shownPath)), traps(path, report, facts) {}
    std::string path;
    FileFacts facts;
    LineTraps traps;
    std::size_t order = 0;
    bool dropped = false;      // the line being read was dropped for its frequency
    bool chdirFailed = false;  // the "%chdir:" being read failed
    std::map<std::string, std::uint64_t> listed;  // listed file names, with their lines
  };

  FileState* stateOf(const DataFile& file) const {
    const auto it = files_.find(&file);
    return it == files_.end() ? nullptr : it->second.get();
  }

  std::string pathOf(const DataFile& file) const {
    const FileState* state = stateOf(file);
    return state == nullptr ? file.filename() : state->path;
  }

  // The element-file test looks for ".ele" anywhere in the name, letter case
  // counting.
  void checkName(const DataFile& file, const std::string& path) {
    const std::string& name = file.filename();
    const std::size_t ele = name.find(kElementFileMark);
    if (ele != std::string::npos && ele + kElementFileMark.size() != name.size()) {
      report_.add(path, 0, Severity::Warning,
                  "the name holds \".ele\", so weft reads this file as an element file (sections, "
                  "no comments, directives or frequencies)",
                  "rename it so that \".ele\" stands only at the end of an element file's name");
    } else if (ele == std::string::npos && isElementFileName(lowerCopy(name))) {
      report_.add(path, 0, Severity::Warning,
                  "the name holds \".ele\" in capitals, and weft tests for it in lower case, so "
                  "this file is read as an ordinary data file",
                  "rename the file, or name it in lower case");
    }
  }

  Report& report_;
  const bool stats_;
  FileSystem& fileSystem_;
  const std::string startDirectory_;
  std::unordered_map<const DataFile*, std::unique_ptr<FileState>> files_;
  std::size_t order_ = 0;
  std::vector<std::pair<std::size_t, FileOdds>> statsBlocks_;
  std::set<std::string> paths_;
  std::vector<LoadedFile> loads_;
};

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

// Loads the data file that `operand` names, from inside its directory part
// if it has one, as weft does; what loading finds goes to the load observer.
void checkOperand(Engine& engine, std::string_view operand, const std::string& startDirectory,
                  Report& report) {
  FileSystem& files = engine.files;
  const Operand parts = splitOperand(operand);
  if (parts.directory && !files.changeDirectory(*parts.directory)) {
    report.add(std::string(operand), 0, Severity::Error,
               "can't change directory to \"" + *parts.directory + "\"");
  }
  { const DataFile file(engine, parts.filename, nullptr); }
  if (startDirectory.empty()) {
    report.add(std::string(operand), 0, Severity::Error,
               "the working directory cannot be read; weft ends the run after this file");
  } else if (!files.changeDirectory(startDirectory)) {
    report.add(std::string(operand), 0, Severity::Error,
               "can't change back to directory \"" + startDirectory + "\"");
  }
}

}  // namespace

CheckResult checkDataFile(Engine& engine, const std::string& name, bool stats, bool searchLines) {
  Report report;
  const std::string directory = engine.files.workingDirectory();
  Checker checker(report, stats, engine.files, directory);
  checker.searchLines = searchLines;
  engine.loadObserver = &checker;
  { const DataFile file(engine, name, nullptr); }
  engine.loadObserver = nullptr;
  engine.files.changeDirectory(directory);
  CheckResult result;
  result.diagnostics = report.sorted();
  if (stats) result.odds = checker.stats();
  result.files = std::move(checker.loads());
  return result;
}

int runCheck(int argc, char** argv, Console& console) {
  OverlayFileSystem files;
  return runCheck(argc, argv, console, files);
}

int runCheck(int argc, char** argv, Console& console, FileSystem& files) {
  if (argc == 2 && std::string_view(argv[1]) == "--lsp") return lsp::runLanguageServer();
  if (const int explain = explainOptionIndex(argc, argv); explain > 0) {
    return runExplain(argc, argv, explain, console, files);
  }
  const std::string startDirectory = files.workingDirectory();
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

  Report report;
  Checker checker(report, request.stats, files, startDirectory);
  engine.loadObserver = &checker;
  for (std::size_t index = request.firstOperand; index + 1 < args.size(); ++index) {
    checkOperand(engine, args[index], startDirectory, report);
  }
  engine.loadObserver = nullptr;

  const std::vector<FileOdds> odds = request.stats ? checker.stats() : std::vector<FileOdds>();
  const std::vector<Diagnostic> diagnostics = report.sorted();
  std::string out;
  if (request.json) {
    out = jsonReport(diagnostics, checker.fileCount(), report.status(),
                     request.stats ? &odds : nullptr);
  } else {
    for (const FileOdds& file : odds) out += describeOdds(file, request.verbose) + "\n";
    for (const Diagnostic& d : diagnostics) out += formatDiagnostic(d) + "\n";
    out += formatSummary(diagnostics, checker.fileCount()) + "\n";
  }
  console.writeOut(out);
  console.flushOut();
  return report.status();
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
