#include "model/loading.h"

#include <string_view>
#include <unordered_map>
#include <utility>

#include "datafile/load_observer.h"
#include "support/directory.h"

namespace weft::exporter {

namespace {

// Records where each file was opened from, and the problems of loading.
class LoadRecorder final : public LoadObserver {
 public:
  LoadRecorder(FileSystem& files, LoadedFiles& loaded)
      : files_(files), loaded_(loaded), start_(files.workingDirectory()) {}

  void loading(const DataFile& file) override {
    std::string path = pathOf(file.filename());
    if (file.parent() == nullptr) {
      operandPath_ = path;
      listedPaths_.clear();
    } else if (file.parent()->parent() == nullptr) {
      listedPaths_.push_back(path);
    }
    // A file is seen only while it loads, so an address used again later is
    // another file's by then.
    paths_[&file] = std::move(path);
  }

  void problem(const DataFile& file, const LoadProblem& problem) override {
    using Event = LoadProblem::Event;
    const std::string message(problem.message);
    switch (problem.event) {
      case Event::CantRead:
      case Event::FileListLoop:
      case Event::FileListTooDeep:
      case Event::TooManyFiles:
        // Reported at the line of the list that names the file.
        if (const DataFile* parent = file.parent()) {
          loaded_.errors.push_back(place(*parent, parent->lineNumber()) + message);
        } else {
          loaded_.errors.push_back(operandPath_ + ": " + message);
        }
        break;
      case Event::CantChangeDirectory:
      case Event::TableInFileList:
        loaded_.errors.push_back(place(file, problem.line) + message);
        break;
      case Event::TableOutOfRange:
      case Event::UnsupportedSection:
        loaded_.warnings.push_back(place(file, problem.line) + message);
        break;
      case Event::FrequencyCapped:
      case Event::EntryDropped:
      case Event::LineSplit:
        break;
    }
  }

  const std::string& operandPath() const { return operandPath_; }
  std::vector<std::string> takeListedPaths() { return std::move(listedPaths_); }

 private:
  // Returns `filename`, opened from the working directory, as shown.
  std::string pathOf(const std::string& filename) {
    if (!filename.empty() && filename[0] == '/') return filename;
    const std::string directory = files_.workingDirectory();
    if (directory.empty() || directory == start_) return filename;
    std::string full = directory + "/" + filename;
    const std::string prefix = start_ == "/" ? "/" : start_ + "/";
    if (!start_.empty() && full.compare(0, prefix.size(), prefix) == 0)
      full.erase(0, prefix.size());
    return full;
  }

  std::string place(const DataFile& file, std::uint64_t line) const {
    const auto it = paths_.find(&file);
    const std::string& path = it == paths_.end() ? file.filename() : it->second;
    return path + ":" + std::to_string(line) + ": ";
  }

  FileSystem& files_;
  LoadedFiles& loaded_;
  const std::string start_;
  std::string operandPath_;
  std::vector<std::string> listedPaths_;
  std::unordered_map<const DataFile*, std::string> paths_;
};

// Loads one operand; returns false when its folder cannot be entered.
bool loadOperand(Engine& engine, LoadRecorder& recorder, std::string_view operand,
                 LoadedFiles& loaded) {
  const Operand parts = splitOperand(operand);
  if (parts.directory && !engine.files.changeDirectory(*parts.directory)) {
    loaded.errors.push_back(std::string(operand) + ": can't change directory to " +
                            *parts.directory);
    return false;
  }
  auto file = std::make_unique<DataFile>(engine, parts.filename, nullptr);
  std::vector<std::string> listed = recorder.takeListedPaths();
  if (listed.size() != file->subfiles().size()) {
    // Loading stopped early on a problem that is in `errors` already.
    listed.resize(file->subfiles().size());
  }
  LoadedDataFile entry{file.get(), recorder.operandPath(), false, {}};
  const std::size_t first = loaded.files.size() + 1;
  for (std::size_t i = 0; i < listed.size(); ++i) entry.subfiles.push_back(first + i);
  loaded.files.push_back(std::move(entry));
  for (std::size_t i = 0; i < listed.size(); ++i) {
    loaded.files.push_back({&file->subfiles()[i], std::move(listed[i]), true, {}});
  }
  loaded.operands.push_back(std::move(file));
  return true;
}

}  // namespace

LoadedFiles loadOperands(Engine& engine, const std::vector<std::string>& operands) {
  LoadedFiles loaded;
  LoadRecorder recorder(engine.files, loaded);
  const std::string start = engine.files.workingDirectory();
  if (start.empty()) {
    loaded.errors.push_back("the working directory cannot be read");
    return loaded;
  }
  engine.loadObserver = &recorder;
  for (const std::string& operand : operands) {
    loadOperand(engine, recorder, operand, loaded);
    if (!engine.files.changeDirectory(start)) {
      loaded.errors.push_back(operand + ": can't change back to directory " + start);
      break;
    }
  }
  engine.loadObserver = nullptr;
  return loaded;
}

}  // namespace weft::exporter
