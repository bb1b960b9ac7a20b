// The odds of a data file as weft-check --stats writes them.
#pragma once

#include <string>

#include "datafile/data_file.h"
#include "odds/dice_odds.h"
#include "odds/stats.h"

namespace weft::check {

// Returns the --stats text of `odds`; `verbose` adds the entropy in bits.
std::string describeOdds(const FileOdds& odds, bool verbose);

// Returns the --stats text of a loaded data file shown as `path`.
std::string describeOdds(const DataFile& file, const std::string& path);

// Returns the --stats lines of one dice expression: its totals with a bar each.
std::string describeDiceOdds(const DiceOdds& dice);
// Returns a variety figure as shown ("2.5", "120").
std::string varietyText(double value);

// Returns the percentage of `p` as shown ("75.0%", "0.46%").
std::string percentText(double p);
// Returns "1 in N" for `p` (N rounded), or "never".
std::string oneInText(double p);

}  // namespace weft::check
