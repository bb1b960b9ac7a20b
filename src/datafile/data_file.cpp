#include "datafile/data_file.h"

#include <cstring>

#include "datafile/line_kind.h"
#include "datafile/line_reader.h"
#include "datafile/load_observer.h"
#include "support/ascii.h"
#include "support/console.h"
#include "support/numbers.h"

namespace weft {

namespace {

constexpr std::size_t kLineBufferSize = 1024;

// File lists may nest this deep; deeper nesting ends the run before the
// stack or the open files run out.
constexpr std::size_t kMaxFileListDepth = 100;

// A data file named on the command line may load at most this many files,
// itself and every file its lists load, at any depth. Each listed file loads
// its own lists too, so a chain of files that each list the next one twice
// would otherwise load 2^depth files and never end.
constexpr std::uint64_t kMaxFilesLoaded = 10'000;

// Keeps a file in the chain of files being loaded for the length of a scope.
class LoadingScope {
 public:
  LoadingScope(LoadState& state, const FileIdentity& file) : chain_(state.chain) {
    chain_.push_back(file);
  }
  ~LoadingScope() { chain_.pop_back(); }
  LoadingScope(const LoadingScope&) = delete;
  LoadingScope& operator=(const LoadingScope&) = delete;

 private:
  std::vector<FileIdentity>& chain_;
};

// Points a data file at its engine while it loads.
class EngineScope {
 public:
  EngineScope(Engine*& slot, Engine& engine) : slot_(slot) { slot_ = &engine; }
  ~EngineScope() { slot_ = nullptr; }
  EngineScope(const EngineScope&) = delete;
  EngineScope& operator=(const EngineScope&) = delete;

 private:
  Engine*& slot_;
};

}  // namespace

DataFile::DataFile(Engine& engine, std::string filename, const DataFile* parent)
    : filename_(std::move(filename)),
      parent_(parent),
      isElementFile_(isElementFileName(filename_)) {
  EngineScope scope(engine_, engine);
  // A generation observer is told the line each picked entry stands on.
  keepsLines_ = engine.generationObserver != nullptr;
  keepsCase_ = engine.settings.keepCase;
  if (keepsCase_) authorTables_.resize(TABLE_COUNT);
  loadDataFile();
}

DataFile::DataFile(const DataFile& other)
    : filename_(other.filename_),
      title_(other.title_),
      parent_(other.parent_),
      isElementFile_(other.isElementFile_),
      tables_(other.tables_),
      authorTables_(other.authorTables_),
      builtInRun_(other.builtInRun_),
      inFileList_(other.inFileList_),
      currentTable_(other.currentTable_) {}

DataFile& DataFile::operator=(const DataFile& other) {
  if (this == &other) return *this;
  filename_ = other.filename_;
  title_ = other.title_;
  parent_ = other.parent_;
  isElementFile_ = other.isElementFile_;
  tables_ = other.tables_;
  authorTables_ = other.authorTables_;
  builtInRun_ = other.builtInRun_;
  inFileList_ = other.inFileList_;
  currentTable_ = other.currentTable_;
  return *this;
}

DataFile::~DataFile() = default;

void DataFile::loadDataFile() {
  Engine& engine = *engine_;
  if (LoadObserver* observer = engine.loadObserver) observer->loading(*this);
  if (engine.settings.debugLevel >= 3) engine.console.reportLine("Reading file");
  const std::unique_ptr<InputFile> input = engine.files.open(filename_);
  if (input == nullptr) {
    failLoading({LoadProblem::Event::CantRead}, ExitStatus::CantRead, "Can't read " + filename_);
    return;
  }

  LoadState& state = engine.loading;
  const FileIdentity key = input->identity();
  if (!withinFileListLimits(state, key)) return;
  LoadingScope scope(state, key);

  // Every line is read in lower case, so the reader folds the text as it
  // comes in, unless the author's case is kept as well.
  LineReader reader(*input, !keepsCase_);
  char buffer[kLineBufferSize];
  if (keepsCase_) [[unlikely]] {
    readKeepingCase(reader, buffer, sizeof buffer);
  } else {
    while (!reader.atEnd()) {
      lineNumber_ = reader.lineNumber();
      const std::string_view line = readLine(reader, buffer, sizeof buffer);
      if (!line.empty()) parseLine(line);
    }
  }
  lineNumber_ = 0;
  if (reader.failed()) {
    failLoading({LoadProblem::Event::CantRead}, ExitStatus::CantRead, "Can't read " + filename_);
  }
  currentTable_ = 0;
  // An element file's main table also makes a prefix joined to a suffix.
  if (isElementFile_) {
    authorEntry_ = kElementPairEntry;
    addEntry(kElementPairEntry);
    builtInRun_ = tables_[0].runCount() - 1;
  }
  if (LoadObserver* observer = engine.loadObserver) observer->loaded(*this);
}

bool DataFile::withinFileListLimits(LoadState& state, const FileIdentity& key) {
  for (const FileIdentity& loading : state.chain) {
    if (loading == key) {
      failLoading({LoadProblem::Event::FileListLoop}, ExitStatus::FileListLoop,
                  "File list loop: " + filename_ + " is already being loaded");
      return false;
    }
  }
  if (state.chain.size() >= kMaxFileListDepth) {
    failLoading({.event = LoadProblem::Event::FileListTooDeep, .limit = kMaxFileListDepth},
                ExitStatus::FileListTooDeep,
                "File lists nested too deeply (more than " + std::to_string(kMaxFileListDepth) +
                    " levels) at " + filename_);
    return false;
  }
  if (state.chain.empty()) state.filesLoaded = 0;
  if (++state.filesLoaded > kMaxFilesLoaded) {
    failLoading({.event = LoadProblem::Event::TooManyFiles, .limit = kMaxFilesLoaded},
                ExitStatus::FileListTooDeep,
                "File lists load too many files (more than " + std::to_string(kMaxFilesLoaded) +
                    ") at " + filename_);
    return false;
  }
  return true;
}

void DataFile::failLoading(LoadProblem problem, ExitStatus status, const std::string& message) {
  LoadObserver* observer = engine_->loadObserver;
  if (observer == nullptr) fatal(status, message);
  problem.line = lineNumber_;
  problem.message = message;
  observer->problem(*this, problem);
}

void DataFile::notice(LoadProblem problem, std::string_view message) {
  if (LoadObserver* observer = engine_->loadObserver) {
    problem.line = lineNumber_;
    problem.message = message;
    observer->problem(*this, problem);
  } else if (!message.empty()) {
    engine_->console.reportLine(message);
  }
}

std::string_view DataFile::readLine(LineReader& reader, char* buffer, std::size_t size) {
  // One byte of the buffer stays free, as for a terminating zero.
  const std::size_t capacity = size - 1;
  const auto cutComment = [this](const char* text, std::size_t& length, std::uint64_t line,
                                 bool continued) {
    const std::size_t read = length;
    length = keptLength(std::string_view(text, length), isElementFile_);
    if (LoadObserver* observer = engine_->loadObserver) {
      observer->pieceRead(*this, line, std::string_view(text, read), length, continued);
    }
  };
  std::size_t length = 0;
  // Most lines lie whole in the bytes the reader holds and end without a
  // backslash: they are used where they lie, without a copy.
  if (char* line = nullptr; reader.takeLine(capacity, line, length)) {
    cutComment(line, length, lineNumber_, false);
    if (!continuesLine(std::string_view(line, length))) return std::string_view(line, length);
    std::memcpy(buffer, line, length);
  } else {
    length = reader.readPiece(buffer, capacity);
    if (reader.pieceWasCut() && engine_->loadObserver != nullptr) {
      notice({LoadProblem::Event::LineSplit}, "");
    }
    cutComment(buffer, length, lineNumber_, false);
  }
  // A trailing backslash joins the next physical line in its place. The
  // joined line never exceeds size - 2 bytes: with no room left the
  // backslash is only removed.
  while (continuesLine(std::string_view(buffer, length))) {
    const std::size_t room = capacity - length;
    --length;
    const std::uint64_t pieceLine = reader.lineNumber();
    std::size_t added = reader.readPiece(buffer + length, room);
    if ((room == 0 || reader.pieceWasCut()) && !reader.atEnd() &&
        engine_->loadObserver != nullptr) {
      notice({LoadProblem::Event::LineSplit}, "");
    }
    cutComment(buffer + length, added, pieceLine, true);
    length += added;
  }
  return std::string_view(buffer, length);
}

void DataFile::readKeepingCase(LineReader& reader, char* buffer, std::size_t size) {
  std::string folded;
  while (!reader.atEnd()) {
    lineNumber_ = reader.lineNumber();
    const std::string_view line = readLine(reader, buffer, size);
    if (line.empty()) continue;
    folded.assign(line);
    foldToLower(folded);
    authorLine_ = line;
    parseLine(folded);
  }
  authorLine_ = {};
  authorEntry_ = {};
}

// The line comes in lower case already.
void DataFile::parseLine(std::string_view line) {
  const ClassifiedLine read =
      classifyLine(line, {isElementFile_, inFileList_, engine_->settings.maxFrequency});
  // Folding keeps every byte in place: the same offsets give the author's text.
  if (keepsCase_) [[unlikely]] {
    authorEntry_ = read.text(authorLine_);
  }
  switch (read.kind) {
    case LineKind::Blank:
      return;
    case LineKind::ElementSection:
      currentTable_ = read.table;
      if (!read.section->notice.empty()) {
        notice({LoadProblem::Event::UnsupportedSection}, read.section->notice);
      }
      break;
    case LineKind::ElementEntry:
      addEntry(line);
      break;
    case LineKind::FileListName:
      loadSubfile(std::string(line));
      break;
    case LineKind::Entry:
      parseEntryLine(read, line);
      break;
    default:  // a directive
      parseDirective(read, line);
      break;
  }
  if (LoadObserver* observer = engine_->loadObserver) observer->lineInterpreted(*this, read, line);
}

// Every directive but a file list's start ends a file list.
void DataFile::parseDirective(const ClassifiedLine& read, std::string_view line) {
  inFileList_ = read.kind == LineKind::FileList;
  if (read.kind == LineKind::Title) {
    title_ = titleText(read.text(line));
  } else if (read.kind == LineKind::Table) {
    if (isTableNumber(read.table)) {
      currentTable_ = read.table;
    } else {
      currentTable_ = kNoTable;
      notice({LoadProblem::Event::TableOutOfRange},
             "Invalid table id; must be in the range from 0 to " + std::to_string(TABLE_COUNT - 1) +
                 " in file " + filename_);
    }
  } else if (read.kind == LineKind::ChangeDirectory) {
    const std::string directory(read.text(line));
    if (!engine_->files.changeDirectory(directory)) {
      failLoading({.event = LoadProblem::Event::CantChangeDirectory, .directory = directory},
                  ExitStatus::CantChangeDirectory, "Can't change directory to " + directory);
    }
  }
}

void DataFile::loadSubfile(const std::string& line) {
  // A reference naming "table" reads as a table reference, so such a file
  // could never be referred to.
  if (line.find("table") != std::string::npos) {
    failLoading({LoadProblem::Event::TableInFileList}, ExitStatus::InvalidInput,
                "Data files cannot contain the substring 'table'" + line);
    return;
  }
  DataFile subfile(*engine_, line, this);
  // The kept copy has no sub-files of its own; moving it in after dropping
  // them is the same as keeping a copy and discarding the original.
  subfile.subfiles_.clear();
  subfiles_.push_back(std::move(subfile));
}

void DataFile::parseEntryLine(const ClassifiedLine& read, std::string_view line) {
  if (read.capped()) {
    const RunSettings& settings = engine_->settings;
    // The note is written only at debug level 2 and above.
    notice({.event = LoadProblem::Event::FrequencyCapped, .limit = settings.maxFrequency},
           settings.debugLevel >= 2 ? "freq too high; adjusting" : "");
  }
  if (read.frequency < 1) {
    if (engine_->loadObserver != nullptr) notice({LoadProblem::Event::EntryDropped}, "");
    return;
  }
  addEntry(read.text(line), static_cast<std::uint32_t>(read.frequency));
}

void DataFile::appendKeeping(Table& table, std::string_view text, std::uint32_t count) {
  table.append(text, count);
  if (keepsLines_) table.setLastRunLine(lineNumber_);
  if (!keepsCase_) return;
  // The author's bytes of the entry, set with it; should they differ in
  // length, weft's own text keeps the tables in step.
  const std::string_view author = authorEntry_.size() == text.size() ? authorEntry_ : text;
  authorTables_[static_cast<std::size_t>(currentTable_)].append(author, count);
}

void DataFile::addEntry(std::string_view text, std::uint32_t count) {
  if (!isTableNumber(currentTable_)) return;
  Table& table = tables_[static_cast<std::size_t>(currentTable_)];
  if (keepsLines_ || keepsCase_) [[unlikely]] {
    appendKeeping(table, text, count);
  } else {
    table.append(text, count);
  }
  if (LoadObserver* observer = engine_->loadObserver)
    observer->entryAdded(*this, currentTable_, lineNumber_);
}

}  // namespace weft
