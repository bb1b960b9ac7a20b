#include <string>

#include "datafile/data_file.h"
#include "generate/case_rules.h"
#include "generate/expand.h"
#include "support/console.h"
#include "support/random_source.h"

namespace weft {

std::string DataFile::generate() const {
  const Table& table = this->table(currentTable_);
  // An empty table yields an empty text without a draw.
  if (table.empty()) return {};
  const std::uint32_t r = randomSource().nextRandom();
  std::string line = expandReferences(*this, std::string(table.entryAt(r % table.size())));
  if (line.empty()) fatal(ExitStatus::ZeroLengthString, "Zero length string");
  if (isElementFile_) {
    capitalizeWords(line);
  } else {
    capitalizeFirst(line);
  }
  return line;
}

}  // namespace weft
