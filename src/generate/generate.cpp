#include <string>

#include "datafile/data_file.h"
#include "generate/case_rules.h"
#include "generate/expand.h"
#include "support/console.h"
#include "support/engine.h"

namespace weft {

std::string DataFile::generate(Engine& engine) const {
  std::string line;
  generateInto(engine, line);
  return line;
}

void DataFile::generateInto(Engine& engine, std::string& line) const {
  line.clear();
  const Table& table = this->table(currentTable_);
  // An empty table yields an empty text without a draw.
  if (table.empty()) return;
  const std::uint32_t r = engine.random.nextRandom();
  expandInto(engine, *this, table.entryAt(r % table.size()), line);
  if (line.empty()) fatal(ExitStatus::ZeroLengthString, "Zero length string");
  if (isElementFile_) {
    capitalizeWords(line);
  } else {
    capitalizeFirst(line);
  }
}

}  // namespace weft
