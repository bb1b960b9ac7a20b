#include "lsp/features/code_actions.h"

#include <algorithm>

#include "lsp/documents/uri.h"
#include "lsp/features/diagnostics.h"
#include "text/quoting.h"

namespace weft::check::lsp {

namespace {

// The quick fix of `diagnostic`, on line `index` of `document`.
Json quickFix(const Workspace& workspace, const Document& document, const Diagnostic& diagnostic,
              std::uint32_t index) {
  const std::string_view text = document.lines->line(index);
  const std::string_view old = text.substr(std::min<std::size_t>(diagnostic.column, text.size()),
                                           diagnostic.endColumn - diagnostic.column);
  std::string title;
  if (index == 0 && diagnostic.column == 0 && old == "\xEF\xBB\xBF") {
    title = "Remove the byte-order mark";
  } else if (diagnostic.fix.empty()) {
    title = "Remove " + check::quoted(old);
  } else {
    title = "Replace " + check::quoted(old) + " with " + check::quoted(diagnostic.fix);
  }
  const Json edit = {
      {"range", workspace.range(document, index, diagnostic.column, diagnostic.endColumn)},
      {"newText", diagnostic.fix}};
  Json changes = Json::object();
  changes[document.uri] = Json::array({edit});
  return Json{
      {"title", title},
      {"kind", "quickfix"},
      {"diagnostics",
       Json::array({diagnosticJson(diagnostic, document.uri, *document.lines, workspace.client)})},
      {"isPreferred", true},
      {"edit", {{"changes", std::move(changes)}}}};
}

}  // namespace

std::optional<Json> codeAction(BufferChecks& checks, const Json& params) {
  Document* document = checks.workspace().find(params);
  const Json& where = member(params, "range");
  const Json& first = member(member(where, "start"), "line");
  const Json& last = member(member(where, "end"), "line");
  if (document == nullptr || !first.is_number_integer() || !last.is_number_integer()) {
    return std::nullopt;
  }
  if (document->stale) checks.analyse(*document);
  Json actions = Json::array();
  const std::string self = nameOf(document->path);
  for (const Diagnostic& diagnostic : document->result.diagnostics) {
    if (!diagnostic.hasFix || diagnostic.file != self || diagnostic.line == 0) continue;
    const auto line = static_cast<std::int64_t>(diagnostic.line - 1);
    if (line < first.get<std::int64_t>() || line > last.get<std::int64_t>()) continue;
    actions.push_back(
        quickFix(checks.workspace(), *document, diagnostic, static_cast<std::uint32_t>(line)));
  }
  return actions;
}

}  // namespace weft::check::lsp
