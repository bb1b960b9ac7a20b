#include "model/analysis.h"

#include <string>

#include "datafile/line_kind.h"
#include "generate/dice.h"
#include "generate/listed_files.h"
#include "support/ascii.h"
#include "support/random_source.h"

namespace weft::check {

namespace {

// Fixpoints below settle within one round per table, plus one to see it.
constexpr int kFixpointRounds = TABLE_COUNT + 1;

enum class Outcome {
  Dice,        // a dice roll: always a number
  Table,       // a table in range with entries
  EmptyTable,  // a table in range without entries: weft ends the run
  OutOfRange,  // a table number outside 0 to 19: repeats the last replacement
  File,        // a listed file's line
  NoFile,      // a name no listed file has: repeats the last replacement
};

struct ResolvedReference {
  Reference reference;
  Outcome outcome;
  const DataFile* subfile = nullptr;  // the last listed file of that name
};

struct Entry {
  std::string_view text;
  std::uint64_t line;
  bool builtIn;  // the element file's own prefix joined to a suffix
  ParsedEntry parsed;
  std::vector<ResolvedReference> references;
};

bool repeatsReplacement(Outcome outcome) {
  return outcome == Outcome::OutOfRange || outcome == Outcome::NoFile;
}

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

std::string shown(const Reference& reference) {
  std::string text;
  text.reserve(reference.inner.size() + 2);
  text += '(';
  text.append(reference.inner);
  text += ')';
  return text;
}

class FileAnalysis {
 public:
  FileAnalysis(const DataFile& file, const FileFacts& facts, const std::string& path,
               Report& report)
      : file_(file), facts_(facts), path_(path), report_(report) {
    const EntryLines& lines = facts.lines;
    for (int t = 0; t < TABLE_COUNT; ++t) {
      const Table& table = file.table(t);
      const std::vector<std::uint64_t>& runLines = lines[static_cast<std::size_t>(t)];
      for (std::size_t i = 0; i < table.runCount(); ++i) {
        Entry entry;
        entry.text = table.run(i).text;
        entry.line = i < runLines.size() ? runLines[i] : 0;
        entry.builtIn = t == 0 && i == file.builtInRun();
        entry.parsed = parseEntry(entry.text);
        for (const Reference& reference : entry.parsed.references) {
          entry.references.push_back(resolve(reference));
        }
        entries_[static_cast<std::size_t>(t)].push_back(std::move(entry));
      }
    }
  }

  void run() {
    checkReferences();
    findReachableTables();
    checkEmptyLines();
    checkEndlessExpansions();
    checkTableSizes();
    checkUnusedTables();
    checkUnmatchedParentheses();
    if (file_.isElementFile()) checkElementSections();
    checkMainTable();
  }

 private:
  void add(std::uint64_t line, Severity severity, std::string message, std::string note = {}) {
    report_.add(path_, line, severity, std::move(message), std::move(note), at_);
  }

  // Returns the bytes of `reference`, parentheses included, in the line of
  // `entry`; the whole line when the entry's place in it is not known.
  Span spanOf(const Entry& entry, const Reference& reference) const {
    const auto column = facts_.entryColumns.find(entry.line);
    if (column == facts_.entryColumns.end()) return {};
    const auto open = static_cast<std::size_t>(reference.inner.data() - entry.text.data()) - 1;
    return Span{static_cast<std::uint32_t>(column->second + open),
                static_cast<std::uint32_t>(column->second + reference.end),
                false,
                {}};
  }

  ResolvedReference resolve(const Reference& reference) const {
    ResolvedReference resolved{reference, Outcome::Dice};
    switch (reference.target.kind) {
      case ReferenceTarget::Kind::Dice:
        break;
      case ReferenceTarget::Kind::Table:
        if (!isTableNumber(reference.target.table)) {
          resolved.outcome = Outcome::OutOfRange;
        } else {
          resolved.outcome =
              file_.table(reference.target.table).empty() ? Outcome::EmptyTable : Outcome::Table;
        }
        break;
      case ReferenceTarget::Kind::Name:
        resolved.outcome = Outcome::NoFile;
        // Generation uses the copy its lister keeps, which has no sub-files.
        if (file_.parent() != nullptr) break;
        resolved.subfile = listedFile(reference.inner);
        if (resolved.subfile != nullptr) resolved.outcome = Outcome::File;
        break;
    }
    return resolved;
  }

  // Returns the listed file whose line answers a reference to `name`, or
  // null: the last one of that name.
  const DataFile* listedFile(std::string_view name) const {
    return visitListedFiles(file_, name, [](const DataFile&) {});
  }

  void checkReferences() {
    for (int t = 0; t < TABLE_COUNT; ++t) {
      for (const Entry& entry : entries_[static_cast<std::size_t>(t)]) {
        for (const ResolvedReference& r : entry.references) checkReference(entry, r);
      }
    }
  }

  void checkReference(const Entry& entry, const ResolvedReference& r) {
    at_ = spanOf(entry, r.reference);
    checkOutcome(entry, r);
    at_ = {};
  }

  void checkOutcome(const Entry& entry, const ResolvedReference& r) {
    switch (r.outcome) {
      case Outcome::Dice:
        checkDice(entry, r);
        break;
      case Outcome::EmptyTable:
        checkEmptyTable(entry, r);
        break;
      case Outcome::OutOfRange:
        add(entry.line, Severity::Warning,
            "reference " + shown(r.reference) +
                " names a table outside 0 to 19; it repeats the previous replacement",
            "weft writes \"Invalid table referenced\" and puts in its place what the reference "
            "before it in the line was replaced with, or nothing");
        break;
      case Outcome::NoFile:
        checkNoFile(entry, r);
        break;
      case Outcome::Table:
        checkTableNumber(entry, r);
        break;
      case Outcome::File:
        break;
    }
  }

  // A dice expression that does not read, or text after its modifier.
  void checkDice(const Entry& entry, const ResolvedReference& r) {
    const std::string_view inner = r.reference.inner;
    const std::string_view expression = r.reference.target.dice;
    DiceParts parts{};
    const bool listed = listedFile(inner) != nullptr;
    if (!readDiceExpression(expression, parts)) {
      add(entry.line, Severity::Warning,
          "dice expression \"" + std::string(expression) +
              "\" does not read (it needs the form 3d6+1 or 4df+0); weft writes \"Didn't "
              "grok\" and rolls 0",
          listed ? "a reference holding \"random\" is always a dice roll, so the listed file \"" +
                       std::string(inner) + "\" can never be referred to: rename it"
                 : diceNote(expression));
      return;
    }
    // Whatever follows the modifier's digits is ignored.
    std::string_view rest = expression.substr(parts.end);
    while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
    while (!rest.empty() && isSpace(rest.back())) rest.remove_suffix(1);
    if (!rest.empty()) {
      add(entry.line, Severity::Warning,
          "the text after the dice expression in " + shown(r.reference) +
              " is ignored: weft prints only the total, without \"" + std::string(rest) + "\"",
          "move it out of the parentheses: (random" + std::string(expression.substr(0, parts.end)) +
              ") " + std::string(rest));
    }
  }

  void checkEmptyTable(const Entry& entry, const ResolvedReference& r) {
    const std::string name = shown(r.reference);
    if (entry.builtIn) return;  // reported as a missing section
    const std::string& why = facts_.missedTable[static_cast<std::size_t>(r.reference.target.table)];
    add(entry.line, Severity::Error,
        "reference " + name + " names table " + std::to_string(r.reference.target.table) +
            ", which is empty; weft ends the run when it meets it",
        why.empty()
            ? "give table " + std::to_string(r.reference.target.table) +
                  " entries after a \"%table " + std::to_string(r.reference.target.table) +
                  "\" line, or refer to a table that has some"
            : "table " + std::to_string(r.reference.target.table) + " is empty because " + why);
  }

  // A name that matches no listed file of this file.
  void checkNoFile(const Entry& entry, const ResolvedReference& r) {
    const std::string name = shown(r.reference);
    constexpr const char* kRepeats =
        "weft puts in its place what the reference before it in the line was replaced with, or "
        "nothing";
    if (listedFile(r.reference.inner) != nullptr) {
      add(entry.line, Severity::Warning,
          "reference " + name +
              " names a file listed by a listed file, which never resolves; it repeats the "
              "previous replacement",
          "list the file in the data file named on the command line, or keep file lists one "
          "level deep");
    } else {
      add(entry.line, Severity::Warning,
          "reference " + name + " matches no listed file; it repeats the previous replacement",
          std::string(kRepeats) +
              ": any \"(\" followed by a \")\" is a reference, so leave parentheses out of "
              "ordinary text (use commas)");
    }
  }

  // "(table one)" or "(tables)": no number right after "table" reads as 0.
  void checkTableNumber(const Entry& entry, const ResolvedReference& r) {
    std::string_view after = r.reference.target.number;
    while (!after.empty() && (after.front() == ' ' || after.front() == '\t'))
      after.remove_prefix(1);
    if (after.empty() || isDigit(after.front()) ||
        ((after.front() == '+' || after.front() == '-') && after.size() > 1 && isDigit(after[1]))) {
      return;
    }
    add(entry.line, Severity::Warning,
        "reference " + shown(r.reference) +
            " has no number right after \"table\", so it names table 0",
        "write the number right after the word, such as (table1)");
  }

  static std::string diceNote(std::string_view expression) {
    std::string_view text = expression;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    // "3d6" without its sign and modifier.
    std::size_t i = 0;
    while (i < text.size() && isDigit(text[i])) ++i;
    const bool count = i > 0;
    if (i < text.size() && (text[i] == 'd' || text[i] == 'D')) {
      std::size_t j = i + 1;
      while (j < text.size() && (isDigit(text[j]) || text[j] == 'f' || text[j] == 'F')) ++j;
      if (count && j == text.size() && j > i + 1) {
        return "the sign and the number after it are required: write (random " + std::string(text) +
               "+0)";
      }
      if (!count) {
        return "the number of dice is required: write (random 1" + std::string(text) + ")";
      }
    }
    return "write (random NdS+M) or (random NdS-M), such as (random 3d6+0), or (random NdF+M) "
           "for Fudge dice, with no blank before the \"d\" or the sign";
  }

  void findReachableTables() {
    reachable_[0] = true;
    for (bool changed = true; changed;) {
      changed = false;
      for (int t = 0; t < TABLE_COUNT; ++t) {
        if (!reachable_[static_cast<std::size_t>(t)]) continue;
        for (const Entry& entry : entries_[static_cast<std::size_t>(t)]) {
          for (const ResolvedReference& r : entry.references) {
            if (r.outcome != Outcome::Table) continue;
            const auto n = static_cast<std::size_t>(r.reference.target.table);
            referenced_[n] = true;
            if (!reachable_[n]) reachable_[n] = changed = true;
          }
        }
      }
    }
  }

  // What a reference yields may be empty. A reference that does not resolve
  // repeats the previous replacement: nothing at the start of a line.
  bool entryCanBeEmpty(const Entry& entry) const {
    if (entry.parsed.hasText) return false;
    bool previous = true;
    for (const ResolvedReference& r : entry.references) {
      bool empty = false;
      switch (r.outcome) {
        case Outcome::Table:
          empty = tableCanBeEmpty_[static_cast<std::size_t>(r.reference.target.table)];
          break;
        case Outcome::File:
          // A listed file with an empty main table yields an empty line
          // silently; any other empty line there ends the run inside it.
          empty = r.subfile->table(0).empty();
          break;
        case Outcome::OutOfRange:
        case Outcome::NoFile:
          empty = previous;
          break;
        case Outcome::Dice:
        case Outcome::EmptyTable:
          empty = false;
          break;
      }
      if (!empty) return false;
      previous = empty;
    }
    return true;
  }

  void checkEmptyLines() {
    for (int round = 0; round < kFixpointRounds; ++round) {
      for (int t = 0; t < TABLE_COUNT; ++t) {
        for (const Entry& entry : entries_[static_cast<std::size_t>(t)]) {
          if (entryCanBeEmpty(entry)) tableCanBeEmpty_[static_cast<std::size_t>(t)] = true;
        }
      }
    }
    for (const Entry& entry : entries_[0]) {
      if (!entryCanBeEmpty(entry)) continue;
      if (entry.text.empty() || entry.text.find_first_not_of(" \t") == std::string_view::npos) {
        add(entry.line, Severity::Error,
            "empty entry; weft ends the run when it picks it (\"Zero length string\")",
            "a line of blanks, or a colon with nothing before it, is an empty entry: give it "
            "text, or leave the line out");
      } else {
        add(entry.line, Severity::Error,
            "entry can expand to an empty line; weft ends the run then (\"Zero length string\")",
            "give the entry text outside its references, or give the tables it refers to no "
            "empty entries");
      }
    }
  }

  // Returns the reference that keeps `entry` from ever finishing, or nullptr.
  // `broughtIn` is set when a table reference brought the entry in: then the
  // previous replacement is the entry itself.
  const ResolvedReference* endlessReference(const Entry& entry, bool broughtIn) const {
    if (broughtIn && !entry.references.empty() && repeatsReplacement(entry.references[0].outcome)) {
      return &entry.references[0];
    }
    for (const ResolvedReference& r : entry.references) {
      if (r.outcome == Outcome::Table &&
          !tableCanFinish_[static_cast<std::size_t>(r.reference.target.table)]) {
        return &r;
      }
    }
    return nullptr;
  }

  void checkEndlessExpansions() {
    for (int round = 0; round < kFixpointRounds; ++round) {
      for (int t = 0; t < TABLE_COUNT; ++t) {
        for (const Entry& entry : entries_[static_cast<std::size_t>(t)]) {
          if (endlessReference(entry, true) == nullptr)
            tableCanFinish_[static_cast<std::size_t>(t)] = true;
        }
      }
    }
    for (int t = 0; t < TABLE_COUNT; ++t) {
      const auto index = static_cast<std::size_t>(t);
      if (!reachable_[index]) continue;
      for (const Entry& entry : entries_[index]) {
        const ResolvedReference* cause = t == 0 ? endlessReference(entry, false) : nullptr;
        const bool direct = cause != nullptr;
        if (cause == nullptr && referenced_[index]) cause = endlessReference(entry, true);
        if (cause == nullptr) continue;
        at_ = spanOf(entry, cause->reference);
        if (cause->outcome == Outcome::Table) {
          add(entry.line, Severity::Error,
              "expansion can never end: every entry of table " +
                  std::to_string(cause->reference.target.table) +
                  " leads into a reference that never ends",
              "give table " + std::to_string(cause->reference.target.table) +
                  " an entry that does not lead back into it");
        } else if (!direct) {
          add(entry.line, Severity::Error,
              "expansion can never end when a table reference brings this entry in: its first "
              "reference " +
                  shown(cause->reference) + " does not resolve, so it repeats the entry itself",
              "make the first reference of the entry one that resolves");
        }
        at_ = {};
      }
    }
  }

  void checkTableSizes() {
    for (int t = 0; t < TABLE_COUNT; ++t) {
      const Table& table = file_.table(t);
      if (table.size() <= kDrawRange) continue;
      std::uint64_t start = 0;
      const std::vector<Entry>& entries = entries_[static_cast<std::size_t>(t)];
      for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::uint64_t end = start + table.run(i).count;
        if (end > kDrawRange) {
          add(entries[i].line, Severity::Warning,
              "table " + std::to_string(t) + " has " + std::to_string(table.size()) +
                  " positions, more than 32768; entries from here on (positions beyond 32767) can "
                  "never be picked");
          break;
        }
        start = end;
      }
    }
  }

  void checkUnusedTables() {
    for (int t = 1; t < TABLE_COUNT; ++t) {
      const auto index = static_cast<std::size_t>(t);
      if (reachable_[index] || entries_[index].empty()) continue;
      // An element file's unsupported sections are reported as such.
      if (file_.isElementFile() && isUnsupportedSection(t)) continue;
      add(entries_[index].front().line, Severity::Warning,
          "table " + std::to_string(t) + " is never used: no reference from table 0 leads to it");
    }
  }

  // Text that a table reference brings in is read again together with what
  // follows the reference, so a "(" left open there pairs with a later ")".
  void checkUnmatchedParentheses() {
    std::array<std::uint64_t, TABLE_COUNT> pairedAt{};  // a referring line, 0 when none
    std::array<bool, TABLE_COUNT> paired{};
    for (int t = 0; t < TABLE_COUNT; ++t) {
      for (const Entry& entry : entries_[static_cast<std::size_t>(t)]) {
        for (const ResolvedReference& r : entry.references) {
          if (r.outcome != Outcome::Table) continue;
          if (entry.text.find(')', r.reference.end) == std::string_view::npos) continue;
          const auto n = static_cast<std::size_t>(r.reference.target.table);
          if (!paired[n]) pairedAt[n] = entry.line;
          paired[n] = true;
        }
      }
    }
    for (int t = 0; t < TABLE_COUNT; ++t) {
      const auto index = static_cast<std::size_t>(t);
      for (const Entry& entry : entries_[index]) {
        if (!entry.parsed.unmatchedOpen) continue;
        const std::string note = "close it with \")\", or leave the parenthesis out";
        at_ = {};
        if (const auto column = facts_.entryColumns.find(entry.line);
            column != facts_.entryColumns.end()) {
          at_ = Span{static_cast<std::uint32_t>(column->second + entry.text.rfind('(')),
                     static_cast<std::uint32_t>(column->second + entry.text.size()),
                     false,
                     {}};
        }
        if (paired[index]) {
          std::string where = "a reference to table " + std::to_string(t);
          if (pairedAt[index] > 0) where += " (line " + std::to_string(pairedAt[index]) + ")";
          add(entry.line, Severity::Warning,
              "\"(\" with no \")\" behind it; where " + where +
                  " brings this entry in, it pairs with a \")\" that follows the reference",
              note);
        } else {
          const std::size_t open = entry.text.rfind('(');
          add(entry.line, Severity::Warning,
              "\"(\" with no \")\" behind it is not a reference: weft prints \"" +
                  std::string(entry.text.substr(open)) + "\" as it stands",
              note);
        }
        at_ = {};
      }
    }
  }

  // The prefixes and suffixes that the element file's own entry joins.
  void checkElementSections() {
    const auto why = [this](int table, std::string_view section) {
      for (const FileFacts::SectionTypo& typo : facts_.sectionTypos) {
        if (typo.table == table) {
          return "line " + std::to_string(typo.line) + " (\"" + typo.text +
                 "\") is not a section line: write \"" + std::string(section) +
                 "\" alone on its line";
        }
      }
      return "start the section with a line \"" + std::string(section) + "\"";
    };
    const auto check = [&](int table, std::string_view parts) {
      if (!file_.table(table).empty()) return;
      const std::string_view section = sectionLineOf(table);
      add(0, Severity::Error,
          "element file without " + std::string(parts) + " (" + std::string(section) +
              "); weft ends the run when it joins a prefix and a suffix",
          why(table, section));
    };
    check(1, "prefixes");
    check(3, "suffixes");
  }

  void checkMainTable() {
    if (file_.isElementFile() || !file_.table(0).empty()) return;
    bool any = false;
    for (int t = 1; t < TABLE_COUNT; ++t) any = any || !file_.table(t).empty();
    if (!any) return;  // an empty file, or a file list only
    add(0, Severity::Warning,
        "table 0 has no entries, so every line weft makes from this file is empty",
        "lines are made from table 0: put entries before the first \"%table\" line, or after "
        "\"%table 0\"");
  }

  const DataFile& file_;
  const FileFacts& facts_;
  const std::string& path_;
  Report& report_;
  std::array<std::vector<Entry>, TABLE_COUNT> entries_;
  std::array<bool, TABLE_COUNT> reachable_{};
  std::array<bool, TABLE_COUNT> referenced_{};  // by an entry of a reachable table
  std::array<bool, TABLE_COUNT> tableCanBeEmpty_{};
  std::array<bool, TABLE_COUNT> tableCanFinish_{};
  Span at_;  // the bytes the diagnostics being added point at
};

}  // namespace

ParsedEntry parseEntry(std::string_view entry) {
  ParsedEntry parsed;
  std::string_view rest = entry;
  while (true) {
    const ReferenceSpan span = findReference(rest);
    if (!span.found()) {
      parsed.hasText = parsed.hasText || !rest.empty();
      parsed.unmatchedOpen = span.open != std::string_view::npos;
      return parsed;
    }
    parsed.hasText = parsed.hasText || span.open > 0;
    const std::string_view inner = span.inner(rest);
    parsed.references.push_back(
        Reference{inner, classifyReference(inner),
                  static_cast<std::size_t>(rest.data() - entry.data()) + span.close + 1});
    rest.remove_prefix(span.close + 1);
  }
}

void analyzeDataFile(const DataFile& file, const FileFacts& facts, const std::string& path,
                     Report& report) {
  FileAnalysis(file, facts, path, report).run();
}

void analyzeDataFile(const DataFile& file, const EntryLines& lines, const std::string& path,
                     Report& report) {
  FileFacts facts;
  facts.lines = lines;
  analyzeDataFile(file, facts, path, report);
}

}  // namespace weft::check
