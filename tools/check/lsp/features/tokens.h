// Semantic highlighting: the spans of a buffer that the outline marks, with
// the legend of their types.
#pragma once

#include <optional>

#include "lsp/documents/workspace.h"

namespace weft::check::lsp {

// Returns the token types, in the order of TokenKind, as "initialize" gives
// them to the client.
Json tokenLegend();

// Answers "textDocument/semanticTokens/full": the tokens, encoded relative
// to each other as the protocol wants them.
std::optional<Json> semanticTokens(Workspace& workspace, const Json& params);

}  // namespace weft::check::lsp
