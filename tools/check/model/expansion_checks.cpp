#include "model/expansion_checks.h"

#include <array>
#include <string>
#include <string_view>

namespace weft::check {

namespace {

// Fixpoints below settle within one round per table, plus one to see it.
constexpr int kFixpointRounds = TABLE_COUNT + 1;

using TableFlags = std::array<bool, TABLE_COUNT>;

// What a reference yields may be empty. A reference that does not resolve
// repeats the previous replacement: nothing at the start of a line.
bool entryCanBeEmpty(const CheckedEntry& entry, const TableFlags& tableCanBeEmpty) {
  if (entry.parsed.hasText) return false;
  bool previous = true;
  for (const ResolvedReference& r : entry.references) {
    bool empty = false;
    switch (r.outcome) {
      case ReferenceOutcome::Table:
        empty = tableCanBeEmpty[static_cast<std::size_t>(r.reference.target.table)];
        break;
      case ReferenceOutcome::File:
        // A listed file with an empty main table yields an empty line
        // silently; any other empty line there ends the run inside it.
        empty = r.subfile->table(0).empty();
        break;
      case ReferenceOutcome::OutOfRange:
      case ReferenceOutcome::NoFile:
        empty = previous;
        break;
      case ReferenceOutcome::Dice:
      case ReferenceOutcome::EmptyTable:
        empty = false;
        break;
    }
    if (!empty) return false;
    previous = empty;
  }
  return true;
}

// Returns the reference that keeps `entry` from ever finishing, or nullptr.
// `broughtIn` is set when a table reference brought the entry in: then the
// previous replacement is the entry itself.
const ResolvedReference* endlessReference(const CheckedEntry& entry, bool broughtIn,
                                          const TableFlags& tableCanFinish) {
  if (broughtIn && !entry.references.empty() && repeatsReplacement(entry.references[0].outcome)) {
    return &entry.references[0];
  }
  for (const ResolvedReference& r : entry.references) {
    if (r.outcome == ReferenceOutcome::Table &&
        !tableCanFinish[static_cast<std::size_t>(r.reference.target.table)]) {
      return &r;
    }
  }
  return nullptr;
}

// Returns which tables have an entry that can finish.
TableFlags finishingTables(const AnalysedFile& file) {
  TableFlags tableCanFinish{};
  for (int round = 0; round < kFixpointRounds; ++round) {
    for (int t = 0; t < TABLE_COUNT; ++t) {
      for (const CheckedEntry& entry : file.entries(t)) {
        if (endlessReference(entry, true, tableCanFinish) == nullptr)
          tableCanFinish[static_cast<std::size_t>(t)] = true;
      }
    }
  }
  return tableCanFinish;
}

// Reports `cause`, which keeps `entry` from finishing; `direct` when it does
// so where table 0 picks the entry.
void reportEndless(AnalysedFile& file, const CheckedEntry& entry, const ResolvedReference& cause,
                   bool direct) {
  file.pointAt(file.spanOf(entry, cause.reference));
  if (cause.outcome == ReferenceOutcome::Table) {
    file.add(entry.line, Severity::Error,
             "expansion can never end: every entry of table " +
                 std::to_string(cause.reference.target.table) +
                 " leads into a reference that never ends",
             "give table " + std::to_string(cause.reference.target.table) +
                 " an entry that does not lead back into it");
  } else if (!direct) {
    file.add(entry.line, Severity::Error,
             "expansion can never end when a table reference brings this entry in: its first "
             "reference " +
                 shown(cause.reference) + " does not resolve, so it repeats the entry itself",
             "make the first reference of the entry one that resolves");
  }
  file.pointAt({});
}

}  // namespace

Reachability findReachableTables(const AnalysedFile& file) {
  Reachability reach;
  reach.reachable[0] = true;
  for (bool changed = true; changed;) {
    changed = false;
    for (int t = 0; t < TABLE_COUNT; ++t) {
      if (!reach.reachable[static_cast<std::size_t>(t)]) continue;
      for (const CheckedEntry& entry : file.entries(t)) {
        for (const ResolvedReference& r : entry.references) {
          if (r.outcome != ReferenceOutcome::Table) continue;
          const auto n = static_cast<std::size_t>(r.reference.target.table);
          reach.referenced[n] = true;
          if (!reach.reachable[n]) reach.reachable[n] = changed = true;
        }
      }
    }
  }
  return reach;
}

void checkEmptyLines(AnalysedFile& file) {
  TableFlags tableCanBeEmpty{};
  for (int round = 0; round < kFixpointRounds; ++round) {
    for (int t = 0; t < TABLE_COUNT; ++t) {
      for (const CheckedEntry& entry : file.entries(t)) {
        if (entryCanBeEmpty(entry, tableCanBeEmpty))
          tableCanBeEmpty[static_cast<std::size_t>(t)] = true;
      }
    }
  }
  for (const CheckedEntry& entry : file.entries(0)) {
    if (!entryCanBeEmpty(entry, tableCanBeEmpty)) continue;
    if (entry.text.empty() || entry.text.find_first_not_of(" \t") == std::string_view::npos) {
      file.add(entry.line, Severity::Error,
               "empty entry; weft ends the run when it picks it (\"Zero length string\")",
               "a line of blanks, or a colon with nothing before it, is an empty entry: give it "
               "text, or leave the line out");
    } else {
      file.add(entry.line, Severity::Error,
               "entry can expand to an empty line; weft ends the run then (\"Zero length string\")",
               "give the entry text outside its references, or give the tables it refers to no "
               "empty entries");
    }
  }
}

void checkEndlessExpansions(AnalysedFile& file, const Reachability& reach) {
  const TableFlags tableCanFinish = finishingTables(file);
  for (int t = 0; t < TABLE_COUNT; ++t) {
    const auto index = static_cast<std::size_t>(t);
    if (!reach.reachable[index]) continue;
    for (const CheckedEntry& entry : file.entries(t)) {
      const ResolvedReference* cause =
          t == 0 ? endlessReference(entry, false, tableCanFinish) : nullptr;
      const bool direct = cause != nullptr;
      if (cause == nullptr && reach.referenced[index])
        cause = endlessReference(entry, true, tableCanFinish);
      if (cause != nullptr) reportEndless(file, entry, *cause, direct);
    }
  }
}

}  // namespace weft::check
