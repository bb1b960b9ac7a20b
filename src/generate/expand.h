// Reference expansion: the references in parentheses of a picked entry.
#pragma once

#include <cstdint>
#include <string>

namespace weft {

class DataFile;

// Limits that end a line whose expansion would otherwise never end. Lines
// that finish within them come out exactly as without limits.
struct ExpansionLimits {
  // Longest working text, in bytes.
  std::size_t maxTextBytes = std::size_t{1} << 20;
  // Steps of one line, nested generation included: each reference resolved
  // is one step, and so is each die rolled.
  std::uint64_t maxSteps = 1'000'000;
  // Bytes of diagnostics one line may write before it counts as runaway.
  std::uint64_t maxDiagnosticBytes = std::uint64_t{64} << 20;
};

// Returns the limits in force (tests may lower them).
ExpansionLimits& expansionLimits();

// Replaces the references in `text`, one per pass and always the leftmost,
// until none is left, and returns the result. A reference runs from the first
// "(" to the first ")" behind it. Its inner text is a dice roll when it holds
// "random", else a table reference when it holds "table", else the name of a
// data file that `file` lists. A reference that does not resolve repeats the
// replacement of the last one that did (or nothing).
std::string expandReferences(const DataFile& file, std::string text);

// Marks the start and end of one top-level line: the limits count per line.
class LineBudgetScope {
 public:
  LineBudgetScope();
  ~LineBudgetScope();
  LineBudgetScope(const LineBudgetScope&) = delete;
  LineBudgetScope& operator=(const LineBudgetScope&) = delete;
};

}  // namespace weft
