#include <string>

#include "datafile/data_file.h"
#include "generate/case_rules.h"
#include "generate/expand.h"
#include "support/console.h"
#include "support/random_source.h"

namespace weft {

std::string DataFile::generate() const {
  std::string line;
  generateInto(line);
  return line;
}

void DataFile::generateInto(std::string& line) const {
  line.clear();
  const Table& table = this->table(currentTable_);
  // An empty table yields an empty text without a draw.
  if (table.empty()) return;
  const std::uint32_t r = randomSource().nextRandom();
  expandInto(*this, table.entryAt(r % table.size()), line);
  if (line.empty()) fatal(ExitStatus::ZeroLengthString, "Zero length string");
  if (isElementFile_) {
    capitalizeWords(line);
  } else {
    capitalizeFirst(line);
  }
}

}  // namespace weft
