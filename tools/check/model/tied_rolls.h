// The check of rolls that weft ties together: every roll restarts weft's
// random numbers from the clock's second, so the rolls of one line are all
// made from the same draws.
#pragma once

#include "model/analysed_file.h"

namespace weft::check {

// Entries with two or more rolls whose totals go together.
void checkTiedRolls(AnalysedFile& file);

}  // namespace weft::check
