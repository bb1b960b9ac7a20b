// Quick fixes: the edits that mend the traps the analysis found a fix for.
#pragma once

#include <optional>

#include "lsp/features/buffer_checks.h"

namespace weft::check::lsp {

// Answers "textDocument/codeAction": a quick fix for each diagnostic with a
// fix on the lines of the range, the buffer analysed first when edited.
std::optional<Json> codeAction(BufferChecks& checks, const Json& params);

}  // namespace weft::check::lsp
