// Going from a reference to what it names, and from a table or listed file
// to everything that names it.
#pragma once

#include <optional>

#include "lsp/features/buffer_checks.h"

namespace weft::check::lsp {

// Answers "textDocument/definition": from (tableN) to its first "%table N"
// line, from (name) or a listed name to the listed file; null elsewhere.
std::optional<Json> definition(BufferChecks& checks, const Json& params);

// Answers "textDocument/references": the references to a table or listed
// file, with its "%table" lines or list lines when the declaration is asked.
std::optional<Json> references(BufferChecks& checks, const Json& params);

}  // namespace weft::check::lsp
