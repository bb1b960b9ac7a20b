#include "lsp/features/tokens.h"

namespace weft::check::lsp {

Json tokenLegend() {
  // In the order of TokenKind.
  return Json{{"tokenTypes", {"comment", "keyword", "number", "variable", "function", "string"}},
              {"tokenModifiers", Json::array()}};
}

std::optional<Json> semanticTokens(Workspace& workspace, const Json& params) {
  const Document* document = workspace.find(params);
  if (document == nullptr) return std::nullopt;
  const bool utf8 = workspace.client.utf8;
  Json data = Json::array();
  std::uint32_t lastLine = 0;
  std::uint32_t lastStart = 0;
  for (const Token& token : document->outline.tokens) {
    const std::uint32_t start = document->lines->column(token.line, token.begin, utf8);
    const std::uint32_t end = document->lines->column(token.line, token.end, utf8);
    if (end <= start) continue;
    data.push_back(token.line - lastLine);
    data.push_back(token.line == lastLine ? start - lastStart : start);
    data.push_back(end - start);
    data.push_back(static_cast<int>(token.kind));
    data.push_back(0);
    lastLine = token.line;
    lastStart = start;
  }
  return Json{{"data", std::move(data)}};
}

}  // namespace weft::check::lsp
