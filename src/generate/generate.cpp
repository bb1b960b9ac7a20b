#include <string>

#include "datafile/data_file.h"
#include "generate/author_case.h"
#include "generate/case_rules.h"
#include "generate/expand.h"
#include "generate/generation_observer.h"
#include "support/console.h"
#include "support/engine.h"

namespace weft {

std::string DataFile::generate(Engine& engine) const {
  std::string line;
  generateInto(engine, line);
  return line;
}

namespace {

// Makes one line of `file` into `line`. Made twice: the general form tells a
// generation observer, if one is installed, the line's start, pick and end,
// and makes the line in the author's case into `*cased` when that is given;
// the other does neither and is what weft runs.
template <bool kGeneral>
[[gnu::always_inline]] inline void generateWith(Engine& engine, const DataFile& file,
                                                std::string& line,
                                                [[maybe_unused]] std::string* cased,
                                                [[maybe_unused]] AuthorCase rule) {
  line.clear();
  [[maybe_unused]] GenerationObserver* const observer = engine.generationObserver;
  if constexpr (kGeneral) {
    if (cased != nullptr) cased->clear();
    if (observer != nullptr) observer->lineStarted(file);
  }
  const Table& table = file.table(file.currentTable());
  // An empty table yields an empty text without a draw.
  if (!table.empty()) {
    const std::uint64_t position = engine.random.nextRandom() % table.size();
    const std::string_view entry = table.entryAt(position);
    if constexpr (kGeneral) {
      if (observer != nullptr) {
        observer->picked(
            file, {file.currentTable(), position, entry, table.runLine(table.runAt(position))});
      }
      if (cased != nullptr) {
        const std::string_view author = file.authorTable(file.currentTable()).entryAt(position);
        expandKeepingCase(engine, file, entry, author, line, *cased);
      } else {
        expandInto(engine, file, entry, line);
      }
    } else {
      expandInto(engine, file, entry, line);
    }
    if (line.empty()) fatal(ExitStatus::ZeroLengthString, "Zero length string");
    applyCaseRule(line, file.isElementFile());
    if constexpr (kGeneral) {
      // A listed file's line keeps its first letter as the author wrote it;
      // an element file's words are raised all the same.
      if (cased != nullptr && (file.isElementFile() || rule == AuthorCase::Printed)) {
        applyCaseRule(*cased, file.isElementFile());
      }
    }
  }
  if constexpr (kGeneral) {
    if (observer != nullptr) observer->lineFinished(file, line);
  }
}

[[gnu::noinline, gnu::cold]] void generateGeneral(Engine& engine, const DataFile& file,
                                                  std::string& line, std::string* cased,
                                                  AuthorCase rule) {
  generateWith<true>(engine, file, line, cased, rule);
}

}  // namespace

void DataFile::generateInto(Engine& engine, std::string& line) const {
  if (engine.generationObserver != nullptr) [[unlikely]] {
    generateGeneral(engine, *this, line, nullptr, AuthorCase::Printed);
  } else {
    generateWith<false>(engine, *this, line, nullptr, AuthorCase::Printed);
  }
}

void generateKeepingCase(Engine& engine, const DataFile& file, std::string& line,
                         std::string& cased, AuthorCase rule) {
  generateGeneral(engine, file, line, &cased, rule);
}

}  // namespace weft
