#include "output/report_text.h"

#include "text/quoting.h"

namespace weft::check {

std::string formatDiagnostic(const Diagnostic& diagnostic) {
  std::string where = printable(diagnostic.file);
  if (diagnostic.line > 0) {
    where += ':';
    where += std::to_string(diagnostic.line);
  }
  std::string text = where;
  text += ": ";
  text += severityName(diagnostic.severity);
  text += ": ";
  text += printable(diagnostic.message);
  if (!diagnostic.note.empty()) text += "\n" + where + ": note: " + printable(diagnostic.note);
  return text;
}

std::string formatSummary(const std::vector<Diagnostic>& diagnostics, std::size_t fileCount) {
  const SeverityCounts counts = countSeverities(diagnostics);
  const auto counted = [](std::size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
  };
  // Notes are no problems: they are counted only where there are some.
  std::string text = counted(counts.errors, "error") + ", " + counted(counts.warnings, "warning");
  if (counts.notes > 0) text += ", " + counted(counts.notes, "note");
  return text + " in " + counted(fileCount, "file");
}

}  // namespace weft::check
