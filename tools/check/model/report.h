// The findings of one check: problems with the file and line they concern.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace weft::check {

// From the least to the gravest. A note tells how weft reads the text where
// nothing goes wrong (weft's own rule may still surprise the author); it
// counts as no problem and never fails a check.
enum class Severity { Note, Warning, Error };

struct Diagnostic {
  std::string file;
  std::uint64_t line;  // physical line, from 1; 0 for the file as a whole
  Severity severity;
  std::string message;
  // What to write instead, or what caused the problem; empty when there is
  // nothing to add. It is shown as a note line of the same file and line.
  std::string note;
  // The bytes at fault within the line, [column, endColumn); both 0 for the
  // line as a whole. Offsets count bytes of the physical line.
  std::uint32_t column = 0;
  std::uint32_t endColumn = 0;
  // When `hasFix` is set, writing `fix` in place of those bytes mends the
  // problem (an editor offers it as a quick fix).
  bool hasFix = false;
  std::string fix;
};

// Returns the word for `severity`: "error", "warning" or "note".
const char* severityName(Severity severity);

// How many diagnostics there are of each severity.
struct SeverityCounts {
  std::size_t errors = 0;
  std::size_t warnings = 0;
  std::size_t notes = 0;
};
SeverityCounts countSeverities(const std::vector<Diagnostic>& diagnostics);

// The bytes of a line that a diagnostic points at, with an optional mend.
struct Span {
  std::uint32_t column = 0;
  std::uint32_t endColumn = 0;
  bool hasFix = false;
  std::string fix;
};

// Collects diagnostics.
class Report {
 public:
  void add(std::string file, std::uint64_t line, Severity severity, std::string message,
           std::string note = {}, Span span = {});

  // Returns the diagnostics sorted by file and line (in the order they were
  // found within one line), each distinct diagnostic once: a file loaded
  // twice reports its problems once.
  std::vector<Diagnostic> sorted() const;

  // Returns true when an error stands at `line` of `file`.
  bool hasError(std::string_view file, std::uint64_t line) const;

  // Returns the exit status of the check: 0 when clean or with notes only, 1
  // when there are warnings but no error, 2 when there is any error.
  int status() const;

 private:
  std::vector<Diagnostic> diagnostics_;
};

}  // namespace weft::check
