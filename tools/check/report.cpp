#include "report.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <tuple>

namespace weft::check {

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

int Report::status() const {
  int status = 0;
  for (const Diagnostic& d : diagnostics_)
    status = std::max(status, d.severity == Severity::Error ? 2 : 1);
  return status;
}

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

std::string printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 32 || byte == 127) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

std::string quoted(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  result += '"';
  result += text;
  result += '"';
  return result;
}

}  // namespace weft::check
