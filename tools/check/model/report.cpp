#include "model/report.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace weft::check {

const char* severityName(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "error";
    case Severity::Warning:
      return "warning";
    case Severity::Note:
      break;
  }
  return "note";
}

SeverityCounts countSeverities(const std::vector<Diagnostic>& diagnostics) {
  SeverityCounts counts;
  for (const Diagnostic& d : diagnostics) {
    if (d.severity == Severity::Error) ++counts.errors;
    if (d.severity == Severity::Warning) ++counts.warnings;
    if (d.severity == Severity::Note) ++counts.notes;
  }
  return counts;
}

void Report::add(std::string file, std::uint64_t line, Severity severity, std::string message,
                 std::string note, Span span) {
  diagnostics_.push_back(Diagnostic{std::move(file), line, severity, std::move(message),
                                    std::move(note), span.column, span.endColumn, span.hasFix,
                                    std::move(span.fix)});
}

std::vector<Diagnostic> Report::sorted() const {
  std::vector<Diagnostic> result;
  result.reserve(diagnostics_.size());
  std::set<std::tuple<std::string_view, std::uint64_t, Severity, std::string_view>> seen;
  for (const Diagnostic& d : diagnostics_) {
    if (seen.emplace(d.file, d.line, d.severity, d.message).second) result.push_back(d);
  }
  std::stable_sort(result.begin(), result.end(), [](const Diagnostic& a, const Diagnostic& b) {
    return std::tie(a.file, a.line) < std::tie(b.file, b.line);
  });
  return result;
}

bool Report::hasError(std::string_view file, std::uint64_t line) const {
  return std::any_of(diagnostics_.begin(), diagnostics_.end(), [&](const Diagnostic& d) {
    return d.severity == Severity::Error && d.line == line && d.file == file;
  });
}

int Report::status() const {
  int status = 0;
  for (const Diagnostic& d : diagnostics_) {
    if (d.severity == Severity::Error) status = 2;
    if (d.severity == Severity::Warning) status = std::max(status, 1);
  }
  return status;
}

}  // namespace weft::check
