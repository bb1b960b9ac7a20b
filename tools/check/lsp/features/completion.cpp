#include "lsp/features/completion.h"

#include <set>

#include "lsp/documents/uri.h"
#include "lsp/features/wording.h"

namespace weft::check::lsp {

namespace {

// The kinds of completions used, as the protocol numbers them.
enum CompletionKind {
  kCompletionFunction = 3,
  kCompletionVariable = 6,
  kCompletionFile = 17,
};

// The tables with entries, each with its size and first entries.
void addTables(const BufferChecks& checks, const Document& document, Json& items) {
  const FileOdds* odds = checks.odds(document, nameOf(document.path));
  if (odds == nullptr) return;
  for (const TableOdds& table : odds->tables) {
    std::string first;
    for (std::size_t i = 0; i < table.entries.size() && i < 3; ++i) {
      first += (i > 0 ? ", " : "") + table.entries[i].text;
    }
    items.push_back({{"label", "table" + std::to_string(table.number)},
                     {"kind", kCompletionVariable},
                     {"detail", counted(table.entries.size(), "entry", "entries") + ": " + first}});
  }
}

// The names of the file lists, each with the title of the file it brings in.
void addListedFiles(const BufferChecks& checks, const Document& document, Json& items) {
  std::set<std::string> names;
  for (const LineMark& mark : document.outline.lines) {
    if (mark.kind != LineMark::Kind::FileListName || !names.insert(mark.text).second) continue;
    Json item = {{"label", mark.text}, {"kind", kCompletionFile}};
    if (const LoadedFile* file = checks.listedFile(document, mark.text)) {
      if (const FileOdds* odds = checks.odds(document, file->path)) item["detail"] = odds->title;
    }
    items.push_back(std::move(item));
  }
}

}  // namespace

std::optional<Json> completion(BufferChecks& checks, const Json& params) {
  const std::optional<Place> place = checks.placeOf(params);
  if (!place) return std::nullopt;
  const Document& document = *place->document;
  const std::string_view before = document.lines->line(place->line).substr(0, place->offset);
  const std::size_t open = before.rfind('(');
  Json items = Json::array();
  if (open == std::string_view::npos || before.find(')', open) != std::string_view::npos) {
    return items;
  }
  addTables(checks, document, items);
  addListedFiles(checks, document, items);
  items.push_back({{"label", "random "},
                   {"kind", kCompletionFunction},
                   {"insertText", "random 1d6+0"},
                   {"detail", "a dice roll, such as (random 3d6+1): 4 to 19"}});
  return items;
}

}  // namespace weft::check::lsp
