#include "checker/checker.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "checker/sampled_findings.h"
#include "datafile/data_file.h"
#include "datafile/load_observer.h"
#include "generate/listed_files.h"
#include "model/analysis.h"
#include "model/traps.h"
#include "odds/stats.h"
#include "support/ascii.h"
#include "support/directory.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

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
    if (file.parent() != nullptr && file.parent()->parent() == nullptr) {
      listedByData_.push_back(loads_.size());
    }
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
    if (FileState* state = stateOf(file))
      state->traps.pieceRead(line, text, kept, continued, file.isElementFile());
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
    const FileState& state = *it->second;
    analyzeDataFile(file, state.facts, state.path, report_);
    bool sampled = false;
    if (stats_) {
      FileOdds odds = computeOdds(file, state.path, &state.facts.lines, searchLines);
      // Sampling weft's own lines costs as much as the search, so it runs
      // only where the search does.
      if (searchLines && !exactLines(odds)) {
        addSample(odds, sampleLines(file, fileSystem_, &state.facts.lines));
        reportSampledEndings(*odds.sampled, state.path, report_);
        sampled = true;
      }
      statsBlocks_.emplace_back(state.order, std::move(odds));
    }
    // Every data file weft is given is sampled, within a budget, for the
    // lines that end its run.
    if (!sampled && file.parent() == nullptr) {
      SteadyStopwatch stopwatch;
      reportSampledEndings(
          sampleLines(file, fileSystem_, &state.facts.lines, checkBudget(stopwatch)), state.path,
          report_);
    }
    files_.erase(it);
  }

  // Returns the odds of every file, in the order loading started, each
  // distinct block once (a file loaded twice shows once).
  std::vector<FileOdds> stats() {
    std::stable_sort(statsBlocks_.begin(), statsBlocks_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<FileOdds> result;
    // The blocks kept so far of each path, by index in `result`.
    std::unordered_map<std::string, std::vector<std::size_t>> kept;
    for (auto& block : statsBlocks_) {
      FileOdds& odds = block.second;
      std::vector<std::size_t>& same = kept[odds.path];
      const auto equal = [&](std::size_t index) { return result[index] == odds; };
      if (std::any_of(same.begin(), same.end(), equal)) continue;
      same.push_back(result.size());
      result.push_back(std::move(odds));
    }
    return result;
  }

  std::size_t fileCount() const { return paths_.size(); }
  std::vector<LoadedFile>& loads() { return loads_; }

  // Returns, for each name that the data file `file` lists, the index in
  // loads() of the listed file a reference of that name makes its line from.
  std::map<std::string, std::size_t, std::less<>> listedByName(const DataFile& file) const {
    std::map<std::string, std::size_t, std::less<>> found;
    const std::vector<DataFile>& listed = file.subfiles();
    // Every listed file that started loading is kept, in that order.
    if (listed.size() != listedByData_.size()) return found;
    for (const DataFile& subfile : listed) {
      if (found.count(subfile.filename()) > 0) continue;
      const DataFile* answer = visitListedFiles(file, subfile.filename(), [](const DataFile&) {});
      found.emplace(subfile.filename(),
                    listedByData_[static_cast<std::size_t>(answer - listed.data())]);
    }
    return found;
  }
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
  std::vector<std::size_t> listedByData_;  // in loads_, the files a data file's own lists load
};

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
  CheckResult result;
  {
    const DataFile file(engine, name, nullptr);
    result.listedByName = checker.listedByName(file);
  }
  engine.loadObserver = nullptr;
  engine.files.changeDirectory(directory);
  result.diagnostics = report.sorted();
  if (stats) result.odds = checker.stats();
  result.files = std::move(checker.loads());
  return result;
}

CheckedOperands checkOperands(Engine& engine, const std::vector<std::string_view>& operands,
                              bool stats) {
  const std::string startDirectory = engine.files.workingDirectory();
  Report report;
  Checker checker(report, stats, engine.files, startDirectory);
  engine.loadObserver = &checker;
  for (const std::string_view operand : operands) {
    checkOperand(engine, operand, startDirectory, report);
  }
  engine.loadObserver = nullptr;
  CheckedOperands result;
  if (stats) result.odds = checker.stats();
  result.diagnostics = report.sorted();
  result.fileCount = checker.fileCount();
  result.status = report.status();
  return result;
}

}  // namespace weft::check
