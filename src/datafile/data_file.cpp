#include "datafile/data_file.h"

#include <cstring>
#include <functional>

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
      isElementFile_(filename_.find(".ele") != std::string::npos) {
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
  for (const FileIdentity& loading : state.chain) {
    if (loading == key) {
      failLoading({LoadProblem::Event::FileListLoop}, ExitStatus::FileListLoop,
                  "File list loop: " + filename_ + " is already being loaded");
      return;
    }
  }
  if (state.chain.size() >= kMaxFileListDepth) {
    failLoading({.event = LoadProblem::Event::FileListTooDeep, .limit = kMaxFileListDepth},
                ExitStatus::FileListTooDeep,
                "File lists nested too deeply (more than " + std::to_string(kMaxFileListDepth) +
                    " levels) at " + filename_);
    return;
  }
  if (state.chain.empty()) state.filesLoaded = 0;
  if (++state.filesLoaded > kMaxFilesLoaded) {
    failLoading({.event = LoadProblem::Event::TooManyFiles, .limit = kMaxFilesLoaded},
                ExitStatus::FileListTooDeep,
                "File lists load too many files (more than " + std::to_string(kMaxFilesLoaded) +
                    ") at " + filename_);
    return;
  }
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
  if (isElementFile_) addEntry("(table1)(table3)");
  if (LoadObserver* observer = engine.loadObserver) observer->loaded(*this);
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
    if (!isElementFile_) {
      if (const void* hash = std::memchr(text, '#', length)) {
        length = static_cast<std::size_t>(static_cast<const char*>(hash) - text);
      }
    }
    if (LoadObserver* observer = engine_->loadObserver) {
      observer->pieceRead(*this, line, std::string_view(text, read), length, continued);
    }
  };
  std::size_t length = 0;
  // Most lines lie whole in the bytes the reader holds and end without a
  // backslash: they are used where they lie, without a copy.
  if (char* line = nullptr; reader.takeLine(capacity, line, length)) {
    cutComment(line, length, lineNumber_, false);
    if (length == 0 || line[length - 1] != '\\') return std::string_view(line, length);
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
  while (length > 0 && buffer[length - 1] == '\\') {
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
    foldedLine_ = folded;
    parseLine(folded);
  }
  authorLine_ = {};
  foldedLine_ = {};
}

// The line comes in lower case already.
void DataFile::parseLine(std::string_view line) {
  using Kind = LoadObserver::LineKind;
  Kind kind = Kind::Entry;
  std::size_t argument = line.size();
  if (isElementFile_) {
    kind = parseElementLine(line) ? Kind::ElementSection : Kind::ElementEntry;
  } else if (line[0] == '%') {
    kind = parseDirective(std::string(line), argument);
  } else if (inFileList_) {
    kind = Kind::FileListName;
    loadSubfile(std::string(line));
  } else {
    parseEntryLine(line);
  }
  if (LoadObserver* observer = engine_->loadObserver) {
    observer->lineInterpreted(*this, kind, line, argument);
  }
}

// An element file has no comments, directives, file lists or frequencies. A
// line that is exactly one of the section names chooses the table for the
// lines after it; every other line is stored whole, blanks, colons and "#"
// included. The adjective and noun sections are reported (each time) but
// still loaded, so a table reference can reach them.
bool DataFile::parseElementLine(std::string_view line) {
  struct Section {
    std::string_view line;
    int table;
    std::string_view message;
  };
  static constexpr Section kSections[] = {
      {"#pre", 1, ""},
      {"#suf", 3, ""},
      {"#end", 0, ""},
      {"#adj", 6, "Detected unsupported 'ADJ' section"},
      {"#nadj", 5, "Detected unsupported 'NADJ' section"},
      {"#noun", 4, "Detected unsupported 'NOUN' section"},
  };
  for (const Section& section : kSections) {
    if (line == section.line) {
      currentTable_ = section.table;
      if (!section.message.empty())
        notice({LoadProblem::Event::UnsupportedSection}, section.message);
      return true;
    }
  }
  addEntry(line);
  return false;
}

// The first of the keys "file", "%title:", "%table", "%chdir:" that occurs
// anywhere in the line decides, in that order: "%title: profile names" starts
// a file list. The text after a key runs to the end of the line, untrimmed.
LoadObserver::LineKind DataFile::parseDirective(const std::string& line, std::size_t& argument) {
  using Kind = LoadObserver::LineKind;
  const auto after = [&line, &argument](std::size_t keyPos, std::string_view key) {
    argument = keyPos + key.size();
    return line.substr(argument);
  };
  if (const std::size_t pos = line.find("file"); pos != std::string::npos) {
    inFileList_ = true;
    argument = pos;
    return Kind::FileList;
  }
  inFileList_ = false;
  if (const std::size_t pos = line.find("%title:"); pos != std::string::npos) {
    // An empty title stays empty: there is no first letter to raise.
    title_ = after(pos, "%title:");
    if (!title_.empty()) title_[0] = toUpper(title_[0]);
    return Kind::Title;
  }
  if (const std::size_t pos = line.find("%table"); pos != std::string::npos) {
    const std::int32_t number = readDecimal(after(pos, "%table"));
    if (isTableNumber(number)) {
      currentTable_ = number;
    } else {
      currentTable_ = kNoTable;
      notice({LoadProblem::Event::TableOutOfRange},
             "Invalid table id; must be in the range from 0 to " + std::to_string(TABLE_COUNT - 1) +
                 " in file " + filename_);
    }
    return Kind::Table;
  }
  if (const std::size_t pos = line.find("%chdir:"); pos != std::string::npos) {
    const std::string directory = after(pos, "%chdir:");
    if (!engine_->files.changeDirectory(directory)) {
      failLoading({.event = LoadProblem::Event::CantChangeDirectory, .directory = directory},
                  ExitStatus::CantChangeDirectory, "Can't change directory to " + directory);
    }
    return Kind::ChangeDirectory;
  }
  return Kind::NoKey;
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

void DataFile::parseEntryLine(std::string_view line) {
  std::int32_t frequency = 1;
  if (const void* colon = std::memchr(line.data(), ':', line.size())) {
    const auto at = static_cast<std::size_t>(static_cast<const char*>(colon) - line.data());
    frequency = readShortDecimal(line.substr(at + 1));
    const RunSettings& settings = engine_->settings;
    if (frequency > settings.maxFrequency) {
      // The note is written only at debug level 2 and above.
      notice({.event = LoadProblem::Event::FrequencyCapped, .limit = settings.maxFrequency},
             settings.debugLevel >= 2 ? "freq too high; adjusting" : "");
      frequency = settings.maxFrequency;
    }
    line = line.substr(0, at);
  }
  if (frequency < 1) {
    if (engine_->loadObserver != nullptr) notice({LoadProblem::Event::EntryDropped}, "");
    return;
  }
  std::size_t start = 0;
  while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
  addEntry(line.substr(start), static_cast<std::uint32_t>(frequency));
}

void DataFile::appendKeeping(Table& table, std::string_view text, std::uint32_t count) {
  table.append(text, count);
  if (keepsLines_) table.setLastRunLine(lineNumber_);
  if (!keepsCase_) return;
  // Every entry is a piece of the folded line but the one an element file
  // adds at the end, which is its own author's text.
  std::string_view author = text;
  const std::less_equal<const char*> notAfter;
  const char* const start = foldedLine_.data();
  if (!text.empty() && notAfter(start, text.data()) &&
      notAfter(text.data() + text.size(), start + foldedLine_.size())) {
    author = authorLine_.substr(static_cast<std::size_t>(text.data() - start), text.size());
  }
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
