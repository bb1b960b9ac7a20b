// Run-wide settings, set from the command line and read while loading.
#pragma once

#include <cstddef>
#include <cstdint>

namespace weft {

struct RunSettings {
  std::int32_t debugLevel = 0;     // raised by each -d
  std::int32_t maxFrequency = 50;  // cap on an entry's frequency (-m)
  // Loading also keeps each entry as the author wrote it, position for
  // position beside the folded tables, for lines in the author's case
  // (generateKeepingCase). weft itself never sets it.
  bool keepCase = false;
};

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

}  // namespace weft
