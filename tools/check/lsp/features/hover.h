// What the server says of the text under the cursor: the chance of an
// entry, a table's size and likeliest entries and what reaches it, the
// totals of dice, and a file's title and variety.
#pragma once

#include <optional>

#include "lsp/features/buffer_checks.h"

namespace weft::check::lsp {

// Answers "textDocument/hover": its result (null where there is nothing to
// say), or nothing for parameters that name no buffer or position.
std::optional<Json> hover(BufferChecks& checks, const Json& params);

}  // namespace weft::check::lsp
