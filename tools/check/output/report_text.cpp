#include "output/report_text.h"

#include <algorithm>

#include "text/quoting.h"

namespace weft::check {

std::string formatDiagnostic(const Diagnostic& diagnostic) {
  std::string where = printable(diagnostic.file);
  if (diagnostic.line > 0) {
    where += ':';
    where += std::to_string(diagnostic.line);
  }
  std::string text = where;
  text += diagnostic.severity == Severity::Error ? ": error: " : ": warning: ";
  text += printable(diagnostic.message);
  if (!diagnostic.note.empty()) text += "\n" + where + ": note: " + printable(diagnostic.note);
  return text;
}

std::string formatSummary(const std::vector<Diagnostic>& diagnostics, std::size_t fileCount) {
  const auto errors = static_cast<std::size_t>(
      std::count_if(diagnostics.begin(), diagnostics.end(),
                    [](const Diagnostic& d) { return d.severity == Severity::Error; }));
  const std::size_t warnings = diagnostics.size() - errors;
  const auto counted = [](std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
  };
  return counted(errors, "error") + ", " + counted(warnings, "warning") + " in " +
         counted(fileCount, "file");
}

}  // namespace weft::check
