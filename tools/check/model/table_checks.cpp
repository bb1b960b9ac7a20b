#include "model/table_checks.h"

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/line_kind.h"
#include "support/random_source.h"

namespace weft::check {

namespace {

// Returns the section line that starts table `table` of an element file.
std::string_view sectionLineOf(int table) {
  for (const SectionLine& section : kSectionLines) {
    if (section.table == table) return section.line;
  }
  return {};
}

// Whether table `table` of an element file is a section weft does not
// support (and says so when it reads its line).
bool isUnsupportedSection(int table) {
  for (const SectionLine& section : kSectionLines) {
    if (section.table == table && !section.notice.empty()) return true;
  }
  return false;
}

// The tables whose text some reference brings in before a ")" of the
// referring entry, with the first line that does, 0 when not known.
struct PairedTables {
  std::array<std::uint64_t, TABLE_COUNT> at{};
  std::array<bool, TABLE_COUNT> paired{};
};

PairedTables pairedTables(const AnalysedFile& file) {
  PairedTables tables;
  for (int t = 0; t < TABLE_COUNT; ++t) {
    for (const CheckedEntry& entry : file.entries(t)) {
      for (const ResolvedReference& r : entry.references) {
        if (r.outcome != ReferenceOutcome::Table) continue;
        if (entry.text.find(')', r.reference.end) == std::string_view::npos) continue;
        const auto n = static_cast<std::size_t>(r.reference.target.table);
        if (!tables.paired[n]) tables.at[n] = entry.line;
        tables.paired[n] = true;
      }
    }
  }
  return tables;
}

// Why the section line `section` of table `table` never started.
std::string whySectionIsMissing(const AnalysedFile& file, int table, std::string_view section) {
  for (const FileFacts::SectionTypo& typo : file.facts().sectionTypos) {
    if (typo.table == table) {
      return "line " + std::to_string(typo.line) + " (\"" + typo.text +
             "\") is not a section line: write \"" + std::string(section) + "\" alone on its line";
    }
  }
  return "start the section with a line \"" + std::string(section) + "\"";
}

}  // namespace

void checkTableSizes(AnalysedFile& file) {
  for (int t = 0; t < TABLE_COUNT; ++t) {
    const Table& table = file.file().table(t);
    if (table.size() <= kDrawRange) continue;
    std::uint64_t start = 0;
    const std::vector<CheckedEntry>& entries = file.entries(t);
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const std::uint64_t end = start + table.run(i).count;
      if (end > kDrawRange) {
        file.add(entries[i].line, Severity::Warning,
                 "table " + std::to_string(t) + " has " + std::to_string(table.size()) +
                     " positions, more than 32768; entries from here on (positions beyond 32767) "
                     "can never be picked");
        break;
      }
      start = end;
    }
  }
}

void checkUnusedTables(AnalysedFile& file, const Reachability& reach) {
  for (int t = 1; t < TABLE_COUNT; ++t) {
    const auto index = static_cast<std::size_t>(t);
    if (reach.reachable[index] || file.entries(t).empty()) continue;
    // An element file's unsupported sections are reported as such.
    if (file.file().isElementFile() && isUnsupportedSection(t)) continue;
    file.add(
        file.entries(t).front().line, Severity::Warning,
        "table " + std::to_string(t) + " is never used: no reference from table 0 leads to it");
  }
}

// Text that a table reference brings in is read again together with what
// follows the reference, so a "(" left open there pairs with a later ")".
void checkUnmatchedParentheses(AnalysedFile& file) {
  const PairedTables tables = pairedTables(file);
  const std::map<std::uint64_t, std::uint32_t>& columns = file.facts().entryColumns;
  for (int t = 0; t < TABLE_COUNT; ++t) {
    const auto index = static_cast<std::size_t>(t);
    for (const CheckedEntry& entry : file.entries(t)) {
      if (!entry.parsed.unmatchedOpen) continue;
      const std::string note = "close it with \")\", or leave the parenthesis out";
      file.pointAt({});
      if (const auto column = columns.find(entry.line); column != columns.end()) {
        file.pointAt(Span{static_cast<std::uint32_t>(column->second + entry.text.rfind('(')),
                          static_cast<std::uint32_t>(column->second + entry.text.size()),
                          false,
                          {}});
      }
      if (tables.paired[index]) {
        std::string where = "a reference to table " + std::to_string(t);
        if (tables.at[index] > 0) where += " (line " + std::to_string(tables.at[index]) + ")";
        file.add(entry.line, Severity::Warning,
                 "\"(\" with no \")\" behind it; where " + where +
                     " brings this entry in, it pairs with a \")\" that follows the reference",
                 note);
      } else {
        const std::size_t open = entry.text.rfind('(');
        file.add(entry.line, Severity::Warning,
                 "\"(\" with no \")\" behind it is not a reference: weft prints \"" +
                     std::string(entry.text.substr(open)) + "\" as it stands",
                 note);
      }
      file.pointAt({});
    }
  }
}

// The prefixes and suffixes that the element file's own entry joins.
void checkElementSections(AnalysedFile& file) {
  const auto check = [&](int table, std::string_view parts) {
    if (!file.file().table(table).empty()) return;
    const std::string_view section = sectionLineOf(table);
    file.add(0, Severity::Error,
             "element file without " + std::string(parts) + " (" + std::string(section) +
                 "); weft ends the run when it joins a prefix and a suffix",
             whySectionIsMissing(file, table, section));
  };
  check(1, "prefixes");
  check(3, "suffixes");
}

void checkMainTable(AnalysedFile& file) {
  const DataFile& data = file.file();
  if (data.isElementFile() || !data.table(0).empty()) return;
  bool any = false;
  for (int t = 1; t < TABLE_COUNT; ++t) any = any || !data.table(t).empty();
  if (!any) return;  // an empty file, or a file list only
  file.add(0, Severity::Warning,
           "table 0 has no entries, so every line weft makes from this file is empty",
           "lines are made from table 0: put entries before the first \"%table\" line, or after "
           "\"%table 0\"");
}

}  // namespace weft::check
