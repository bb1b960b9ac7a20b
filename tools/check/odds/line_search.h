// The search over the lines of a data file: every choice of the expansion of
// one generate call followed, likeliest first, within fixed limits.
#pragma once

#include "datafile/data_file.h"
#include "odds/line_odds.h"

namespace weft::check {

// Follows the expansion of lines of `file` within fixed limits of work and
// memory. `subfilesResolve` is false for a file generated from a copy that
// has no sub-files.
LineOdds enumerateLines(const DataFile& file, bool subfilesResolve);

}  // namespace weft::check
