#include "model/analysis.h"

#include <string>

#include "model/analysed_file.h"
#include "model/expansion_checks.h"
#include "model/listed_case_checks.h"
#include "model/reference_checks.h"
#include "model/table_checks.h"
#include "model/tied_rolls.h"

namespace weft::check {

void analyzeDataFile(const DataFile& file, const FileFacts& facts, const std::string& path,
                     Report& report) {
  AnalysedFile analysed(file, facts, path, report);
  checkReferences(analysed);
  checkTiedRolls(analysed);
  const Reachability reach = findReachableTables(analysed);
  checkEmptyLines(analysed);
  checkEndlessExpansions(analysed, reach);
  checkTableSizes(analysed);
  checkUnusedTables(analysed, reach);
  checkUnmatchedParentheses(analysed);
  checkListedLineCase(analysed, reach);
  if (file.isElementFile()) checkElementSections(analysed);
  checkMainTable(analysed);
}

void analyzeDataFile(const DataFile& file, const EntryLines& lines, const std::string& path,
                     Report& report) {
  FileFacts facts;
  facts.lines = lines;
  analyzeDataFile(file, facts, path, report);
}

}  // namespace weft::check
