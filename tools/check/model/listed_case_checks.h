// The check of the letter case that lines of listed element files come in
// with: weft folds a listed file's line to lower case where it splices it
// in, and raises no letter but the first of the whole line, so the names an
// element file capitalises lose their capitals in the naming file's lines.
#pragma once

#include "model/analysed_file.h"
#include "model/expansion_checks.h"

namespace weft::check {

// Adds a note at each reference, in a table that `reach` finds, to a listed
// element file some of whose lines lose capitals where the reference stands.
void checkListedLineCase(AnalysedFile& file, const Reachability& reach);

}  // namespace weft::check
