// The outline of a buffer: its title, its tables or sections with their
// entry lines, and its file lists with the files they name.
#pragma once

#include <optional>

#include "lsp/documents/workspace.h"

namespace weft::check::lsp {

// Answers "textDocument/documentSymbol": the symbols in line order.
std::optional<Json> documentSymbol(Workspace& workspace, const Json& params);

}  // namespace weft::check::lsp
