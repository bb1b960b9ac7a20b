// The report in the compiler convention, as the command line writes it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "model/report.h"

namespace weft::check {

// Returns "file:line: error: message" (or "file: error: message" for line 0;
// "warning" or "note" in place of "error" by its severity), followed by
// "file:line: note: note" on a line of its own when there is a note. No line
// feed ends the text.
std::string formatDiagnostic(const Diagnostic& diagnostic);

// Returns the one-line summary, such as "2 errors, 1 warning in 3 files", or
// "0 errors, 0 warnings, 1 note in 1 file" where there are notes.
std::string formatSummary(const std::vector<Diagnostic>& diagnostics, std::size_t fileCount);

}  // namespace weft::check
