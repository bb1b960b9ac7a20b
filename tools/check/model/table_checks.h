// The checks of whole tables: their sizes, their use, the parentheses their
// entries leave open, and the sections of an element file.
#pragma once

#include "model/analysed_file.h"
#include "model/expansion_checks.h"

namespace weft::check {

// Tables too large to pick every entry of, and tables no line reaches.
void checkTableSizes(AnalysedFile& file);
void checkUnusedTables(AnalysedFile& file, const Reachability& reach);
// A "(" without a ")" behind it.
void checkUnmatchedParentheses(AnalysedFile& file);
// The sections an element file's own entry joins, and an empty table 0.
void checkElementSections(AnalysedFile& file);
void checkMainTable(AnalysedFile& file);

}  // namespace weft::check
