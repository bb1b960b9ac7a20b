// What may follow an open parenthesis: the tables, the listed files and a
// roll of dice.
#pragma once

#include <optional>

#include "lsp/features/buffer_checks.h"

namespace weft::check::lsp {

// Answers "textDocument/completion": the items, none outside a parenthesis.
std::optional<Json> completion(BufferChecks& checks, const Json& params);

}  // namespace weft::check::lsp
