// Reference expansion: the references in parentheses of a picked entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace weft {

class DataFile;

// Limits that end a line whose expansion would otherwise never end (or would
// take hours): "x (table0)" in table 0 grows for ever, "(table0)" repeats for
// ever. Reaching one writes "Expansion too long in FILE: ..." and ends the run
// with ExitStatus::ExpansionTooLong. Lines that finish within them come out
// exactly as without limits. All of them count per line, nested generation
// from listed data files included.
struct ExpansionLimits {
  // Longest working text, in bytes.
  std::size_t maxTextBytes = std::size_t{1} << 20;
  // Each reference resolved is one step, and so is each die rolled.
  std::uint64_t maxSteps = 1'000'000;
  // Bytes of diagnostics one line may write on standard error.
  std::uint64_t maxDiagnosticBytes = std::uint64_t{64} << 20;
  // Bytes of text one line may move: each pass counts its reference and the
  // replacement it splices in. This bounds a loop of long references, which
  // stays within the other limits while copying a megabyte at every step.
  std::uint64_t maxWorkBytes = std::uint64_t{256} << 20;
};

// Returns the limits in force (tests and fuzzers may lower them).
ExpansionLimits& expansionLimits();

// Replaces the references in `text`, one per pass and always the leftmost,
// until none is left, and returns the result. A reference runs from the first
// "(" to the first ")" behind it. Its inner text is a dice roll when it holds
// "random", else a table reference when it holds "table", else the name of a
// data file that `file` lists. A reference that does not resolve repeats the
// replacement of the last one that did (or nothing). Text a replacement brings
// in is scanned again, before what stood behind the reference.
std::string expandReferences(const DataFile& file, std::string text);

// The same expansion, written to `out` (whose old contents are dropped).
// `text` must not lie in `out`.
void expandInto(const DataFile& file, std::string_view text, std::string& out);

}  // namespace weft
