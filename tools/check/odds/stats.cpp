#include "odds/stats.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <vector>

#include "datafile/line_kind.h"
#include "generate/reference.h"
#include "model/parsed_entry.h"
#include "odds/draws.h"
#include "support/random_source.h"

namespace weft::check {

namespace {

constexpr std::uint64_t kDraws = kDrawRange;  // equally likely values of one draw

TableOdds tableOdds(const DataFile& file, int number) {
  const Table& table = file.table(number);
  TableOdds odds;
  odds.number = number;
  odds.positions = table.size();
  if (file.isElementFile() && number != 0) {
    for (const SectionLine& section : kSectionLines) {
      if (section.table == number) odds.section = std::string(section.line);
    }
  }
  std::uint64_t common = kDraws;
  const std::size_t builtInRun = number == 0 ? file.builtInRun() : DataFile::kNoRun;
  for (const DistinctEntry& entry : distinctEntries(table, builtInRun)) {
    EntryOdds e;
    e.text = std::string(entry.text);
    // The element file's own entry comes last; one the author wrote alike
    // merges with it.
    e.builtIn = entry.holdsRun;
    e.positions = entry.positions;
    e.draws = entry.draws;
    common = std::gcd(common, entry.draws);
    odds.entries.push_back(std::move(e));
  }
  odds.denominator = kDraws / (common == 0 ? kDraws : common);
  return odds;
}

// Adds the odds of every table of `file` to `odds`, and of every dice
// expression its entries use, each once.
void addTablesAndDice(const DataFile& file, const EntryLines* lines, FileOdds& odds) {
  std::set<std::string> seenDice;
  for (int t = 0; t < TABLE_COUNT; ++t) {
    const Table& table = file.table(t);
    if (table.empty()) continue;
    odds.tables.push_back(tableOdds(file, t));
    for (std::size_t i = 0; i < table.runCount(); ++i) {
      for (const Reference& reference : parseEntry(table.run(i).text).references) {
        if (reference.target.kind != ReferenceTarget::Kind::Dice) continue;
        const std::string expression(reference.target.dice);
        if (!seenDice.insert(expression).second) continue;
        DiceOdds dice = diceOddsOf(expression, t);
        const auto& runLines = lines == nullptr ? nullptr : &(*lines)[static_cast<std::size_t>(t)];
        if (runLines != nullptr && i < runLines->size()) dice.line = (*runLines)[i];
        odds.dice.push_back(std::move(dice));
      }
    }
  }
}

// Returns the entropy of the lines in bits: a lower bound when the search
// did not follow every choice.
double entropyOf(const LineOdds& lines) {
  double largest = std::max(lines.emptyLine, lines.emptyTable);
  double entropy = 0;
  const auto addOutcome = [&entropy](double p) {
    if (p > 0) entropy -= p * std::log2(p);
  };
  for (const auto& [line, p] : lines.lines) {
    largest = std::max(largest, p);
    addOutcome(p);
  }
  addOutcome(lines.emptyLine);
  addOutcome(lines.emptyTable);
  if (!lines.complete) {
    // No outcome is likelier than the likeliest one found plus all that was
    // not followed, and entropy is never below -log2 of the likeliest.
    entropy = std::max(0.0, -std::log2(std::min(1.0, largest + lines.unexplored)));
  }
  return std::max(0.0, entropy);
}

}  // namespace

FileOdds computeOdds(const DataFile& file, const std::string& path, const EntryLines* lines,
                     bool searchLines) {
  FileOdds odds;
  odds.path = path;
  odds.title = file.title();
  odds.elementFile = file.isElementFile();
  addTablesAndDice(file, lines, odds);
  odds.tiedRolls = findTiedRolls(file, lines);
  if (!searchLines) return odds;
  odds.lines = enumerateLines(file, file.parent() == nullptr);
  odds.bits = odds.searchBits = entropyOf(odds.lines);
  odds.variety = odds.searchVariety = std::exp2(odds.bits);
  return odds;
}

void addSample(FileOdds& odds, SampledLines sampled) {
  odds.estimate = estimateVariety(sampled);
  odds.sampled = std::move(sampled);
  odds.bits = odds.estimate.bits;
  odds.variety = odds.estimate.variety;
}

}  // namespace weft::check
