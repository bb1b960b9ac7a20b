// The odds of a data file as weft-check --stats writes them.
#pragma once

#include <string>
#include <vector>

#include "datafile/data_file.h"
#include "odds/dice_odds.h"
#include "odds/stats.h"

namespace weft::check {

// Returns the --stats text of `odds`; `verbose` adds the entropy in bits.
std::string describeOdds(const FileOdds& odds, bool verbose);

// Returns the --stats text of a loaded data file shown as `path`.
std::string describeOdds(const DataFile& file, const std::string& path);

// The words of the --stats text, each line without its indentation: the
// heading of a file's odds, a table's name ("table 2", or in an element file
// "prefixes (#pre, table 1)") and first line, an entry's weight out of its
// table's ("3 of 13"), how the remainder of the draws by the table's
// positions falls (empty where it does not show), an entry as shown
// ("\"red\"", or the prefix joined to a suffix), the first line of a dice
// expression, and the lines about the lines of table 0 (their variety,
// weft's own lines, how often the run ends, the note on dice).
std::string fileHeading(const FileOdds& odds);
std::string tableName(const TableOdds& table);
std::string tableHeading(const TableOdds& table);
std::string weightText(const EntryOdds& entry, const TableOdds& table);
std::string remainderText(const TableOdds& table);
std::string entryShown(const EntryOdds& entry);
std::string diceHeading(const DiceOdds& dice);
std::vector<std::string> linesText(const FileOdds& odds, bool verbose);

// The words of rolls that go together: the first line of a pair of them,
// and its rows, each pair of totals that comes up with its chance (or, where
// there are many, each total of the first with the totals of the second that
// come with it).
std::string tiedRollsHeading(const TiedEntry& entry, const TiedPair& pair);
std::vector<std::string> tiedRollsRows(const TiedPair& pair);

// Returns the --stats lines of one dice expression: its totals with a bar each.
std::string describeDiceOdds(const DiceOdds& dice);
// Returns a variety figure as shown ("2.5", "120").
std::string varietyText(double value);
// Returns how varied the lines of table 0 are, with what the figure rests
// on: "about as varied as 2.5 equally likely lines" where the search gave
// exact odds, ", an estimate from weft's own lines" behind it where they
// were sampled, and "at least as varied as" where the search stopped short.
std::string varietyWords(const FileOdds& odds);

// Returns the percentage of `p` as shown ("75.0%", "0.46%").
std::string percentText(double p);
// Returns "1 in N" for `p` (N rounded), or "never".
std::string oneInText(double p);

}  // namespace weft::check
