#include "lsp/features/hover.h"

#include <algorithm>
#include <set>
#include <vector>

#include "generate/case_rules.h"
#include "lsp/documents/uri.h"
#include "lsp/features/wording.h"
#include "odds/dice_odds.h"
#include "output/odds_text.h"
#include "text/quoting.h"

namespace weft::check::lsp {

namespace {

std::string chanceText(double p) { return percentText(p) + ", " + oneInText(p); }

// A file's title and, once its lines have been searched, how varied they are.
std::string describeFile(const BufferChecks& checks, const Document& document,
                         const std::string& path) {
  std::string text = "**" + path + "**";
  const FileOdds* odds = checks.odds(document, path);
  if (odds == nullptr) return text + ": not loaded";
  text += ": title " + check::quoted(odds->title);
  if (odds->elementFile) text += " (element file)";
  const FileOdds* searched = checks.searchedOdds(document, path);
  if (searched == nullptr) return text;
  return text + "\n\n" + varietyWords(*searched);
}

// A table's size and its three likeliest entries.
std::string describeTable(const BufferChecks& checks, const Document& document, int table) {
  const FileOdds* odds = checks.odds(document, nameOf(document.path));
  const TableOdds* found = nullptr;
  for (std::size_t i = 0; odds != nullptr && i < odds->tables.size(); ++i) {
    if (odds->tables[i].number == table) found = &odds->tables[i];
  }
  std::string text = "**table " + std::to_string(table) + "**";
  if (found == nullptr) return text + ": empty";
  text += ": " + counted(found->entries.size(), "entry", "entries") + " on " +
          counted(found->positions, "position", "positions");
  std::vector<const EntryOdds*> likeliest;
  for (const EntryOdds& entry : found->entries) likeliest.push_back(&entry);
  std::stable_sort(likeliest.begin(), likeliest.end(),
                   [](const EntryOdds* a, const EntryOdds* b) { return a->draws > b->draws; });
  if (likeliest.size() > 3) likeliest.resize(3);
  text += "; likeliest:";
  for (const EntryOdds* entry : likeliest) {
    text += "\n- " + check::quoted(entry->text) + " " +
            chanceText(static_cast<double>(entry->draws) / kDrawRange);
  }
  return text;
}

// How often the file's lines are exactly the line that entry `text` makes,
// once the lines have been searched; empty when not known.
std::string lineShare(const BufferChecks& checks, const Document& document, const std::string& path,
                      std::string text) {
  const FileOdds* searched = checks.searchedOdds(document, path);
  if (searched == nullptr || text.find('(') != std::string::npos) return {};
  applyCaseRule(text, document.outline.elementFile);
  const auto it = searched->lines.lines.find(text);
  if (it == searched->lines.lines.end()) return {};
  return "\n\n" + percentText(it->second) + " of the file's lines are this one";
}

// The chance of the entry on line `mark`.
std::string describeEntry(const BufferChecks& checks, const Document& document,
                          const LineMark& mark) {
  if (mark.dropped) return "dropped: its frequency is below 1";
  if (!isTableNumber(mark.table)) return "in no table: the \"%table\" above it is out of range";
  const FileOdds* odds = checks.odds(document, nameOf(document.path));
  if (odds == nullptr) return {};
  for (const TableOdds& table : odds->tables) {
    if (table.number != mark.table) continue;
    for (const EntryOdds& entry : table.entries) {
      if (entry.text != mark.text) continue;
      const double p = static_cast<double>(entry.draws) / kDrawRange;
      std::string text = "**" + chanceText(p) + "** in table " + std::to_string(mark.table) + " (" +
                         std::to_string(entry.positions) + " of " +
                         counted(table.positions, "position", "positions") + ")";
      return mark.table == 0 ? text + lineShare(checks, document, odds->path, mark.text) : text;
    }
  }
  return {};
}

// What the reference `reference` brings in.
std::string describeReference(BufferChecks& checks, Document& document,
                              const ReferenceMark& reference) {
  switch (reference.kind) {
    case ReferenceTarget::Kind::Table:
      return isTableNumber(reference.table)
                 ? describeTable(checks, document, reference.table)
                 : "no table " + std::to_string(reference.table) + ": tables are 0 to 19";
    case ReferenceTarget::Kind::Dice:
      return "```\n" + describeDiceOdds(diceOddsOf(reference.text, reference.entryTable)) + "```";
    case ReferenceTarget::Kind::Name:
      break;
  }
  if (const LoadedFile* file = checks.listedFile(document, reference.text)) {
    return describeFile(checks, document, file->path);
  }
  return "no listed file is named " + check::quoted(reference.text);
}

// A table's size and likeliest entries, and how many references reach it.
std::string describeTableLine(const BufferChecks& checks, const Document& document, int table) {
  std::set<std::uint32_t> lines;
  std::size_t count = 0;
  for (const ReferenceMark& reference : document.outline.references) {
    if (reference.kind != ReferenceTarget::Kind::Table || reference.table != table) continue;
    ++count;
    lines.insert(reference.line);
  }
  return describeTable(checks, document, table) + "\n\nreached by " +
         counted(count, "reference", "references") + " on " +
         counted(lines.size(), "line", "lines");
}

// What line `line` of `document` is, away from any reference.
std::string describeLine(BufferChecks& checks, Document& document, std::uint32_t line) {
  const LineMark& mark = document.outline.lines[line];
  switch (mark.kind) {
    case LineMark::Kind::Entry:
      return describeEntry(checks, document, mark);
    case LineMark::Kind::FileListName: {
      const LoadedFile* file = checks.fileListedAt(document, line + 1);
      return file != nullptr ? describeFile(checks, document, file->path) : std::string();
    }
    case LineMark::Kind::Table:
      return isTableNumber(mark.table) ? describeTableLine(checks, document, mark.table) : "";
    case LineMark::Kind::Title:
      return describeFile(checks, document, nameOf(document.path));
    default:
      return {};
  }
}

}  // namespace

std::optional<Json> hover(BufferChecks& checks, const Json& params) {
  const std::optional<Place> place = checks.placeOf(params);
  if (!place) return std::nullopt;
  Document& document = *place->document;
  const Workspace& workspace = checks.workspace();
  std::string text;
  Json where = workspace.lineRange(document, place->line);
  if (const ReferenceMark* reference = referenceAt(document.outline, place->line, place->offset)) {
    where = workspace.range(document, reference->line, reference->begin, reference->end);
    text = describeReference(checks, document, *reference);
  } else {
    text = describeLine(checks, document, place->line);
  }
  if (text.empty()) return Json(nullptr);
  return Json{{"contents", {{"kind", "markdown"}, {"value", text}}}, {"range", where}};
}

}  // namespace weft::check::lsp
