#include "lsp/features/navigation.h"

#include <algorithm>

#include "lsp/documents/uri.h"

namespace weft::check::lsp {

namespace {

// The start of the file at `path`: its buffer when it is open.
Json fileLocation(Workspace& workspace, const std::string& path) {
  const Json start = {{"line", 0}, {"character", 0}};
  const Document* open = workspace.at(path);
  return Json{{"uri", open != nullptr ? open->uri : uriOfPath(path)},
              {"range", {{"start", start}, {"end", start}}}};
}

// The first "%table N" line of a table, or the first line for table 0
// without one; null for another table without one.
Json tableDefinition(const Workspace& workspace, const Document& document, int table) {
  const std::int64_t line = document.outline.tableLine[static_cast<std::size_t>(table)];
  if (line < 0 && table != 0) return nullptr;
  const auto at = static_cast<std::uint32_t>(std::max<std::int64_t>(line, 0));
  return Json{{"uri", document.uri}, {"range", workspace.lineRange(document, at)}};
}

// The "%table N" lines (with `declaration`) and the references of table `table`.
Json tableReferences(const Workspace& workspace, const Document& document, int table,
                     bool declaration) {
  Json result = Json::array();
  const Outline& outline = document.outline;
  for (std::uint32_t line = 0; declaration && line < outline.lines.size(); ++line) {
    const LineMark& mark = outline.lines[line];
    if (mark.kind == LineMark::Kind::Table && mark.table == table) {
      result.push_back(Json{{"uri", document.uri}, {"range", workspace.lineRange(document, line)}});
    }
  }
  for (const ReferenceMark& reference : outline.references) {
    if (reference.kind == ReferenceTarget::Kind::Table && reference.table == table) {
      result.push_back(
          workspace.location(document, reference.line, reference.begin, reference.end));
    }
  }
  return result;
}

// The list lines (with `declaration`) and the references that name `name`.
Json nameReferences(const Workspace& workspace, const Document& document, const std::string& name,
                    bool declaration) {
  Json result = Json::array();
  const Outline& outline = document.outline;
  for (std::uint32_t line = 0; declaration && line < outline.lines.size(); ++line) {
    const LineMark& mark = outline.lines[line];
    if (mark.kind == LineMark::Kind::FileListName && mark.text == name) {
      result.push_back(workspace.location(document, line, mark.begin, mark.end));
    }
  }
  for (const ReferenceMark& reference : outline.references) {
    if (reference.kind == ReferenceTarget::Kind::Name && reference.text == name) {
      result.push_back(
          workspace.location(document, reference.line, reference.begin, reference.end));
    }
  }
  return result;
}

}  // namespace

std::optional<Json> definition(BufferChecks& checks, const Json& params) {
  const std::optional<Place> place = checks.placeOf(params);
  if (!place) return std::nullopt;
  const Document& document = *place->document;
  const LineMark& mark = document.outline.lines[place->line];
  const LoadedFile* file = nullptr;
  if (const ReferenceMark* reference = referenceAt(document.outline, place->line, place->offset)) {
    if (reference->kind == ReferenceTarget::Kind::Table && isTableNumber(reference->table)) {
      return tableDefinition(checks.workspace(), document, reference->table);
    }
    if (reference->kind == ReferenceTarget::Kind::Name) {
      file = checks.listedFile(document, reference->text);
    }
  } else if (mark.kind == LineMark::Kind::FileListName) {
    file = checks.fileListedAt(document, place->line + 1);
  }
  if (file == nullptr) return Json(nullptr);
  return fileLocation(checks.workspace(), absolutePath(folderOf(document.path), file->path));
}

std::optional<Json> references(BufferChecks& checks, const Json& params) {
  const std::optional<Place> place = checks.placeOf(params);
  if (!place) return std::nullopt;
  const Document& document = *place->document;
  const bool declaration = member(member(params, "context"), "includeDeclaration") == true;
  const LineMark& mark = document.outline.lines[place->line];
  const ReferenceMark* at = referenceAt(document.outline, place->line, place->offset);
  if (at != nullptr ? at->kind == ReferenceTarget::Kind::Table
                    : mark.kind == LineMark::Kind::Table) {
    return tableReferences(checks.workspace(), document, at != nullptr ? at->table : mark.table,
                           declaration);
  }
  std::string name;
  if (at != nullptr && at->kind == ReferenceTarget::Kind::Name) name = at->text;
  if (at == nullptr && mark.kind == LineMark::Kind::FileListName) name = mark.text;
  if (name.empty()) return Json(nullptr);
  return nameReferences(checks.workspace(), document, name, declaration);
}

}  // namespace weft::check::lsp
