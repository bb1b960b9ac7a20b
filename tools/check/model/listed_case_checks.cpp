#include "model/listed_case_checks.h"

#include <array>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "generate/case_rules.h"
#include "generate/listed_files.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

using TableFlags = std::array<bool, TABLE_COUNT>;

// Pairs of a prefix and a suffix tried, past the first of each, in search of
// a line that loses capitals: enough for any file a person writes, and a
// bound on the work for the others.
constexpr std::size_t kMostPairs = 20'000;

bool startsEntry(const CheckedEntry& entry, const Reference& reference) {
  return reference.inner.data() == entry.text.data() + 1;
}

// The tables whose entries always stand at the start of the line: table 0,
// whose pick starts it, and each table that only references standing at the
// start of such an entry bring in. Only tables that `reach` finds count.
TableFlags tablesStartingLines(const AnalysedFile& file, const Reachability& reach) {
  TableFlags starts;
  starts.fill(true);
  // Each round that changes anything clears a flag for good.
  for (bool changed = true; changed;) {
    changed = false;
    for (int t = 0; t < TABLE_COUNT; ++t) {
      const auto from = static_cast<std::size_t>(t);
      if (!reach.reachable[from]) continue;
      for (const CheckedEntry& entry : file.entries(t)) {
        for (const ResolvedReference& r : entry.references) {
          if (r.outcome != ReferenceOutcome::Table) continue;
          const auto to = static_cast<std::size_t>(r.reference.target.table);
          if (starts[to] && !(starts[from] && startsEntry(entry, r.reference))) {
            starts[to] = false;
            changed = true;
          }
        }
      }
    }
  }
  return starts;
}

// A line of a listed element file as the file prints it on its own, and as
// weft prints it where a reference brings it into another file's line.
struct CaseLoss {
  std::string own;
  std::string spliced;
};

// The texts of `table` whose lines are known without expanding anything.
std::vector<std::string_view> plainTexts(const DataFile& file, int table, std::size_t skipped) {
  std::vector<std::string_view> texts;
  const Table& runs = file.table(table);
  for (std::size_t i = 0; i < runs.runCount(); ++i) {
    const std::string_view text = runs.run(i).text;
    if (i != skipped && text.find('(') == std::string_view::npos) texts.push_back(text);
  }
  return texts;
}

// Finds a line of `element` whose capitals weft loses where a reference of
// `naming` brings it in, at the start of the line when `atStart`: one of its
// own entries of table 0, or its prefix joined to a suffix (first each
// prefix with the first suffix, then the first prefix with each suffix,
// then other pairs up to a bound). Entries that hold references are passed
// over, since what they make is not known here.
std::optional<CaseLoss> findCaseLoss(const DataFile& element, const DataFile& naming,
                                     bool atStart) {
  const auto lost = [&](std::string_view line) -> std::optional<CaseLoss> {
    CaseLoss loss{std::string(line), {}};
    applyCaseRule(loss.own, true);
    loss.spliced = loss.own;
    lowerListedLine(loss.spliced);
    if (atStart) applyCaseRule(loss.spliced, naming.isElementFile());
    if (loss.own == loss.spliced) return std::nullopt;
    return loss;
  };
  for (std::string_view line : plainTexts(element, 0, element.builtInRun())) {
    if (auto loss = lost(line)) return loss;
  }
  if (element.builtInRun() >= element.table(0).runCount()) return std::nullopt;
  const ParsedEntry pair = parseEntry(element.table(0).run(element.builtInRun()).text);
  if (pair.references.size() != 2 || !isTableNumber(pair.references[0].target.table) ||
      !isTableNumber(pair.references[1].target.table)) {
    return std::nullopt;
  }
  const std::vector<std::string_view> firsts =
      plainTexts(element, pair.references[0].target.table, DataFile::kNoRun);
  const std::vector<std::string_view> seconds =
      plainTexts(element, pair.references[1].target.table, DataFile::kNoRun);
  if (firsts.empty() || seconds.empty()) return std::nullopt;
  const auto joined = [&](std::size_t i, std::size_t j) {
    return lost(std::string(firsts[i]) + std::string(seconds[j]));
  };
  for (std::size_t i = 0; i < firsts.size(); ++i) {
    if (auto loss = joined(i, 0)) return loss;
  }
  for (std::size_t j = 1; j < seconds.size(); ++j) {
    if (auto loss = joined(0, j)) return loss;
  }
  std::size_t tried = 0;
  for (std::size_t i = 1; i < firsts.size() && tried < kMostPairs; ++i) {
    for (std::size_t j = 1; j < seconds.size() && tried < kMostPairs; ++j, ++tried) {
      if (auto loss = joined(i, j)) return loss;
    }
  }
  return std::nullopt;
}

// What a listed element file loses, in the middle of a line and at its
// start, found once per file.
struct Losses {
  std::optional<CaseLoss> inside;
  std::optional<CaseLoss> atStart;
};

void noteCaseLoss(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& r,
                  const Losses& losses, bool atStart) {
  const std::string name = shown(r.reference);
  const std::string& listed = r.subfile->filename();
  const auto prints = [&](const CaseLoss& loss) {
    return "weft prints " + check::quoted(loss.spliced) + ", where " + listed + " alone prints " +
           check::quoted(loss.own);
  };
  if (!atStart && losses.inside) {
    file.add(entry.line, Severity::Note,
             name + " comes in lower case in the middle of the line: " + prints(*losses.inside),
             "weft raises only the first letter of the whole line: to keep the first capital, "
             "start the line with " +
                 name);
  } else if (atStart && losses.atStart) {
    file.add(entry.line, Severity::Note,
             name + " starts the line, but the rest of its line comes in lower case: " +
                 prints(*losses.atStart),
             "weft raises only the first letter of the whole line; no other letter of a listed "
             "file's line keeps its capital");
  }
}

}  // namespace

void checkListedLineCase(AnalysedFile& file, const Reachability& reach) {
  const TableFlags starts = tablesStartingLines(file, reach);
  std::map<const DataFile*, Losses> found;
  for (int t = 0; t < TABLE_COUNT; ++t) {
    if (!reach.reachable[static_cast<std::size_t>(t)]) continue;
    for (const CheckedEntry& entry : file.entries(t)) {
      for (const ResolvedReference& r : entry.references) {
        if (r.outcome != ReferenceOutcome::File || !r.subfile->isElementFile()) continue;
        auto [at, added] = found.try_emplace(r.subfile);
        if (added) {
          at->second.inside = findCaseLoss(*r.subfile, file.file(), false);
          at->second.atStart = findCaseLoss(*r.subfile, file.file(), true);
        }
        const bool atStart = starts[static_cast<std::size_t>(t)] && startsEntry(entry, r.reference);
        file.pointAt(file.spanOf(entry, r.reference));
        noteCaseLoss(file, entry, r, at->second, atStart);
        file.pointAt({});
      }
    }
  }
}

}  // namespace weft::check
