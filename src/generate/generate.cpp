#include <string>

#include "datafile/data_file.h"
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

// Makes one line of `file` into `line`. Made twice: with a generation
// observer, telling it the line's start, pick and end, and without one.
template <bool kObserved>
[[gnu::always_inline]] inline void generateWith(Engine& engine, const DataFile& file,
                                                std::string& line) {
  line.clear();
  [[maybe_unused]] GenerationObserver* const observer = engine.generationObserver;
  if constexpr (kObserved) observer->lineStarted(file);
  const Table& table = file.table(file.currentTable());
  // An empty table yields an empty text without a draw.
  if (!table.empty()) {
    const std::uint64_t position = engine.random.nextRandom() % table.size();
    const std::string_view entry = table.entryAt(position);
    if constexpr (kObserved) {
      observer->picked(
          file, {file.currentTable(), position, entry, table.runLine(table.runAt(position))});
    }
    expandInto(engine, file, entry, line);
    if (line.empty()) fatal(ExitStatus::ZeroLengthString, "Zero length string");
    applyCaseRule(line, file.isElementFile());
  }
  if constexpr (kObserved) observer->lineFinished(file, line);
}

[[gnu::noinline, gnu::cold]] void generateObserved(Engine& engine, const DataFile& file,
                                                   std::string& line) {
  generateWith<true>(engine, file, line);
}

}  // namespace

void DataFile::generateInto(Engine& engine, std::string& line) const {
  if (engine.generationObserver != nullptr) [[unlikely]] {
    generateObserved(engine, *this, line);
  } else {
    generateWith<false>(engine, *this, line);
  }
}

}  // namespace weft
