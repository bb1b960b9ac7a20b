// The report in the compiler convention, as the command line writes it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/report.h"

namespace weft::check {

// Returns "file:line: error: message" (or "file: error: message" for line 0),
// followed by "file:line: note: note" on a line of its own when there is a
// note. No line feed ends the text.
std::string formatDiagnostic(const Diagnostic& diagnostic);

// Returns the one-line summary, such as "2 errors, 1 warning in 3 files".
std::string formatSummary(const std::vector<Diagnostic>& diagnostics, std::size_t fileCount);

}  // namespace weft::check
