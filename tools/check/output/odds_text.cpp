#include "output/odds_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/random_source.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

constexpr std::uint64_t kDraws = kDrawRange;  // equally likely values of one draw

std::string bar(double p, std::size_t width) {
  const auto filled =
      std::min<std::size_t>(static_cast<std::size_t>(std::lround(p * width)), width);
  // A chance too small for one sign still shows as one thin mark.
  if (filled == 0 && p > 0) return "." + std::string(width - 1, ' ');
  return std::string(filled, '#') + std::string(width - filled, ' ');
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

std::string rightAligned(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

void describeTable(const TableOdds& table, std::string& out) {
  out += "  " + tableHeading(table) + "\n";
  if (table.positions > kDraws) {
    out += "    (" + std::to_string(table.positions) +
           " positions: those from 32768 on are never picked)\n";
  }
  for (const EntryOdds& entry : table.entries) {
    const double p = static_cast<double>(entry.draws) / kDraws;
    out += "    " + rightAligned(percentText(p), 7) + "  " + padded(oneInText(p), 12) + " " +
           padded(weightText(entry, table), 12) + " " + bar(p, 20) + "  " + entryShown(entry) +
           "\n";
  }
  if (const std::string remainder = remainderText(table); !remainder.empty()) {
    out += "    " + remainder + "\n";
  }
}

// Returns true when the remainder of the draws by the table's positions
// shows: in a percentage or "1 in N" that differs from the entry's weight
// alone, or in a chance that it moves by 1% or more.
bool remainderShows(const TableOdds& table) {
  const std::uint64_t perPosition = kDraws / table.positions;
  if (perPosition < 100) return true;
  for (const EntryOdds& entry : table.entries) {
    const double drawn = static_cast<double>(entry.draws) / kDraws;
    const double weighed =
        static_cast<double>(entry.positions) / static_cast<double>(table.positions);
    if (percentText(drawn) != percentText(weighed) || oneInText(drawn) != oneInText(weighed))
      return true;
  }
  return false;
}

void describeDice(const DiceOdds& dice, std::string& out) {
  out += "  " + diceHeading(dice) + "\n";
  if (!dice.reads) return;
  if (dice.totals.empty()) {
    out += "    too many totals to show\n";
    return;
  }
  // Up to 20 rows: totals are grouped into bands when there are more.
  const std::size_t rows = std::min<std::size_t>(dice.totals.size(), 20);
  const std::size_t perRow = (dice.totals.size() + rows - 1) / rows;
  std::vector<std::pair<std::string, double>> bands;
  double largest = 0;
  for (std::size_t i = 0; i < dice.totals.size(); i += perRow) {
    const std::size_t last = std::min(dice.totals.size(), i + perRow) - 1;
    double p = 0;
    for (std::size_t j = i; j <= last; ++j) p += dice.totals[j].second;
    std::string label = std::to_string(dice.totals[i].first);
    if (last != i) label += " to " + std::to_string(dice.totals[last].first);
    bands.emplace_back(label, p);
    largest = std::max(largest, p);
  }
  std::size_t labelWidth = 0;
  for (const auto& band : bands) labelWidth = std::max(labelWidth, band.first.size());
  for (const auto& [label, p] : bands) {
    out += "    " + rightAligned(label, labelWidth) + "  " + rightAligned(percentText(p), 7) +
           "  " + bar(largest > 0 ? p / largest : 0, 20) + "\n";
  }
}

// Returns the values as shown: runs of consecutive values as "5 to 15", the
// last two parts joined by "or".
std::string valuesText(const std::vector<std::int32_t>& values) {
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < values.size();) {
    std::size_t j = i;
    while (j + 1 < values.size() && static_cast<std::int64_t>(values[j + 1]) == values[j] + 1LL)
      ++j;
    parts.push_back(j > i + 1 ? std::to_string(values[i]) + " to " + std::to_string(values[j])
                              : std::to_string(values[i]));
    if (j == i + 1) parts.push_back(std::to_string(values[j]));
    i = j + 1;
  }
  std::string out;
  for (std::size_t k = 0; k < parts.size(); ++k) {
    if (k > 0) out += k + 1 == parts.size() ? " or " : ", ";
    out += parts[k];
  }
  return out;
}

std::string tiedRollShown(const TiedRoll& roll) {
  std::string out = "(random" + printable(roll.expression) + ")";
  if (roll.own) return out;
  if (!roll.file.empty()) {
    out += " of " + printable(roll.file);
    if (roll.line > 0) out += " line " + std::to_string(roll.line);
  } else if (roll.line > 0) {
    out += " of line " + std::to_string(roll.line);
  } else {
    out += " of table " + std::to_string(roll.table);
  }
  return out + " through " + printable(roll.via);
}

void describeTiedRolls(const TiedEntry& entry, std::string& out) {
  for (const TiedPair& pair : entry.pairs) {
    out += "  " + tiedRollsHeading(entry, pair) + "\n";
    for (const std::string& row : tiedRollsRows(pair)) out += "    " + row + "\n";
  }
}

std::string variety(double value) {
  char text[32];
  if (value < 10) {
    std::snprintf(text, sizeof text, "%.1f", value);
  } else {
    std::snprintf(text, sizeof text, "%.0f", value);
  }
  return text;
}

std::string sampledText(const SampledLines& sampled) {
  std::uint64_t ended = 0;
  for (const SampledEnding& ending : sampled.endings) ended += ending.rolls;
  std::string out = "in " + countText(sampled.rolls) + " rolls, ";
  if (sampled.distinct == 0) {
    out += "no line";
  } else {
    out += countText(sampled.distinct) + (sampled.distinct == 1 ? " line" : " different lines");
  }
  if (sampled.mostRepeats == 1) {
    out += "; none came up twice";
  } else if (sampled.mostRepeats > 1) {
    out += "; none came up more than " + countText(sampled.mostRepeats) + " times";
  }
  if (ended > 0) out += "; " + countText(ended) + " ended the run (see the findings below)";
  return out;
}

// Returns an estimate of a number of lines as shown: one decimal below 10,
// then whole numbers, and two significant digits from 100 on ("27,000").
std::string estimateText(double value) {
  if (value < 100) return variety(value);
  double scale = 1;
  while (value / scale >= 100) scale *= 10;
  return countText(static_cast<std::uint64_t>(std::llround(value / scale)) *
                   static_cast<std::uint64_t>(scale));
}

// The entropy of table 0's lines, in bits, and what it rests on.
std::string entropyText(const FileOdds& file) {
  char bits[64];
  std::snprintf(bits, sizeof bits, "%.3f", file.bits);
  if (!file.sampled || exactLines(file)) {
    return std::string("entropy: ") + (file.lines.complete ? "" : "at least ") + bits + " bits";
  }
  char covered[32];
  std::snprintf(covered, sizeof covered, "%.0f%%", 100 * file.estimate.coverage);
  return std::string("entropy: about ") + bits +
         " bits, estimated from weft's own lines: the lines seen more than once stand for "
         "about " +
         covered +
         " of the odds, and the lines seen once are weighed for the ones "
         "not seen";
}

void describeLines(const FileOdds& file, bool verbose, std::string& out) {
  for (const std::string& line : linesText(file, verbose)) out += "  " + line + "\n";
}

}  // namespace

std::string fileHeading(const FileOdds& odds) {
  return printable(odds.path) + ": title \"" + printable(odds.title) + "\"" +
         (odds.elementFile ? " (element file)" : "");
}

std::string tableName(const TableOdds& table) {
  const std::string number = "table " + std::to_string(table.number);
  if (table.section == "#pre") return "prefixes (#pre, " + number + ")";
  if (table.section == "#suf") return "suffixes (#suf, " + number + ")";
  if (!table.section.empty()) return "the " + table.section + " section (" + number + ")";
  return number;
}

std::string tableHeading(const TableOdds& table) {
  return tableName(table) + ": " + std::to_string(table.entries.size()) +
         (table.entries.size() == 1 ? " entry" : " entries") + ", weights out of " +
         std::to_string(table.positions);
}

std::string weightText(const EntryOdds& entry, const TableOdds& table) {
  return std::to_string(entry.positions) + " of " + std::to_string(table.positions);
}

std::string remainderText(const TableOdds& table) {
  if (table.positions == 0 || table.positions > kDraws || kDraws % table.positions == 0 ||
      !remainderShows(table)) {
    return "";
  }
  const std::uint64_t perPosition = kDraws / table.positions;
  const std::uint64_t more = kDraws % table.positions;
  return "a pick is the draw (0 to 32767) modulo " + std::to_string(table.positions) +
         ", so the first " + std::to_string(more) + " of the " + std::to_string(table.positions) +
         " positions, counted down the table, come up in " + std::to_string(perPosition + 1) +
         " of 32768 draws and the other " + std::to_string(table.positions - more) + " in " +
         std::to_string(perPosition);
}

std::string entryShown(const EntryOdds& entry) {
  if (entry.builtIn) return "prefix + suffix (a prefix joined to a suffix)";
  return '"' + printable(entry.text) + '"';
}

std::string diceHeading(const DiceOdds& dice) {
  std::string out = "dice (random" + printable(dice.expression) + ")";
  if (dice.line > 0) out += ", line " + std::to_string(dice.line);
  if (!dice.reads) return out + ": does not read, weft rolls 0";
  out += ": totals " + std::to_string(dice.lowest) + " to " + std::to_string(dice.highest);
  if (!dice.exact) out += " (the dice taken as independent)";
  return out;
}

std::string tiedRollsHeading(const TiedEntry& entry, const TiedPair& pair) {
  std::string out = "tied rolls, " + (entry.line > 0 ? "line " + std::to_string(entry.line)
                                                     : "table " + std::to_string(entry.table));
  out += ": " + tiedRollShown(pair.first) + " and " + tiedRollShown(pair.second) + ": ";
  const std::int64_t d = pair.difference;
  if (pair.sameDifference && d == 0) {
    out += "always equal";
  } else if (pair.sameDifference) {
    out += std::string("the second is always the first ") + (d > 0 ? "plus " : "minus ") +
           std::to_string(d > 0 ? d : -d);
  } else {
    out += "only " + std::to_string(pair.pairs) + " of the " + std::to_string(pair.possible) +
           " pairs of their totals come up";
  }
  if (!pair.exact) out += " (from the dice alone: not every choice between them was followed)";
  return out;
}

std::vector<std::string> tiedRollsRows(const TiedPair& pair) {
  // Up to 24 pairs, one row each; more, one row for each total of the first.
  std::vector<std::pair<std::string, double>> rows;
  if (pair.totals.size() <= 24) {
    for (const TotalPair& t : pair.totals) {
      rows.emplace_back(std::to_string(t.first) + " and " + std::to_string(t.second), t.chance);
    }
  } else {
    for (std::size_t i = 0; i < pair.totals.size();) {
      std::vector<std::int32_t> seconds;
      double p = 0;
      std::size_t j = i;
      for (; j < pair.totals.size() && pair.totals[j].first == pair.totals[i].first; ++j) {
        seconds.push_back(pair.totals[j].second);
        p += pair.totals[j].chance;
      }
      rows.emplace_back(std::to_string(pair.totals[i].first) + " and " + valuesText(seconds), p);
      i = j;
    }
  }
  double largest = 0;
  std::size_t width = 0;
  for (const auto& [label, p] : rows) {
    largest = std::max(largest, p);
    width = std::max(width, label.size());
  }
  std::vector<std::string> out;
  for (const auto& [label, p] : rows) {
    out.push_back(padded(label, width) + "  " + rightAligned(percentText(p), 7) + "  " +
                  bar(largest > 0 ? p / largest : 0, 20));
  }
  return out;
}

std::vector<std::string> linesText(const FileOdds& file, bool verbose) {
  std::vector<std::string> out;
  const LineOdds& odds = file.lines;
  const std::size_t count = odds.lines.size();
  const std::string lines = std::to_string(count) + (count == 1 ? " line" : " different lines");
  const std::string searched =
      lines + ", about as varied as " + variety(file.searchVariety) + " equally likely lines";
  if (exactLines(file)) {
    out.push_back("lines: " + searched);
  } else if (file.sampled) {
    // weft's own lines speak first; the search adds what it knows for certain.
    out.push_back("lines: " + varietyWords(file));
    out.push_back("weft's own lines: " + sampledText(*file.sampled));
    if (odds.complete) {
      out.push_back(
          "lines as the search follows them, some draws after a roll taken as "
          "independent: " +
          searched);
    }
  } else if (odds.complete) {
    out.push_back("lines (estimated, see the note on dice below): " + searched);
  } else {
    out.push_back("lines: at least " + lines +
                  " (too many choices to follow them all), at least as varied as " +
                  variety(file.searchVariety) + " equally likely lines" +
                  (odds.estimated ? " (estimated, see the note on dice below)" : ""));
  }
  if (verbose) out.push_back(entropyText(file));
  if (odds.emptyLine > 0 || odds.emptyTable > 0) {
    std::string causes;
    if (odds.emptyLine > 0) causes += "an empty line " + percentText(odds.emptyLine);
    if (odds.emptyLine > 0 && odds.emptyTable > 0) causes += ", ";
    if (odds.emptyTable > 0) causes += "an empty table referenced " + percentText(odds.emptyTable);
    out.push_back("the run ends on " + percentText(odds.emptyLine + odds.emptyTable) +
                  " of lines (" + causes + ")");
  }
  if (odds.rollsDice) {
    out.push_back(
        std::string("note: every dice roll restarts weft's random numbers from the clock's second, "
                    "so the lines made after a roll repeat within the same second, and later rolls "
                    "in a line repeat its first roll's draws") +
        (odds.estimated ? "; odds that this ties together are estimates" : ""));
  }
  return out;
}

std::string describeOdds(const FileOdds& odds, bool verbose) {
  std::string out = fileHeading(odds) + "\n";
  for (const TableOdds& table : odds.tables) describeTable(table, out);
  if (odds.tables.empty()) out += "  no entries: every line is empty\n";
  for (const DiceOdds& dice : odds.dice) describeDice(dice, out);
  for (const TiedEntry& entry : odds.tiedRolls) describeTiedRolls(entry, out);
  describeLines(odds, verbose, out);
  return out;
}

std::string describeDiceOdds(const DiceOdds& dice) {
  std::string out;
  describeDice(dice, out);
  return out;
}

std::string varietyText(double value) { return variety(value); }

std::string varietyWords(const FileOdds& odds) {
  if (exactLines(odds)) {
    return "about as varied as " + variety(odds.variety) + " equally likely lines";
  }
  if (odds.sampled) {
    return "about as varied as " + estimateText(odds.variety) +
           " equally likely lines, an estimate from weft's own lines";
  }
  if (odds.lines.complete) {
    return "about as varied as " + variety(odds.searchVariety) +
           " equally likely lines (estimated: some draws after a roll taken as independent)";
  }
  return "at least as varied as " + variety(odds.searchVariety) + " equally likely lines";
}

std::string describeOdds(const DataFile& file, const std::string& path) {
  return describeOdds(computeOdds(file, path), false);
}

std::string percentText(double p) {
  char text[32];
  const double percent = 100 * p;
  if (p <= 0) return "0%";
  if (percent >= 9.995) {
    std::snprintf(text, sizeof text, "%.1f%%", percent);
  } else if (percent >= 0.995) {
    std::snprintf(text, sizeof text, "%.2f%%", percent);
  } else if (percent >= 0.0005) {
    std::snprintf(text, sizeof text, "%.3f%%", percent);
  } else {
    return "<0.001%";
  }
  return text;
}

std::string oneInText(double p) {
  if (p <= 0) return "never";
  const double n = 1 / p;
  char text[48];
  if (n < 9.95) {
    std::snprintf(text, sizeof text, "%.1f", n);
    std::string shown = text;
    if (shown.size() > 2 && shown.substr(shown.size() - 2) == ".0") shown.resize(shown.size() - 2);
    return "1 in " + shown;
  }
  std::snprintf(text, sizeof text, "%.0f", n);
  return std::string("1 in ") + text;
}

}  // namespace weft::check
