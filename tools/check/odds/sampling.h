// The lines of a data file as weft's own generator makes them, sampled at
// spread clock seconds: the variety of files too rich to follow every choice
// of.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "datafile/data_file.h"
#include "model/file_facts.h"
#include "support/file_system.h"

namespace weft::check {

// Rolls taken of a file whose lines cannot all be followed.
inline constexpr std::uint64_t kSampleRolls = 20'000;
// Steps of expansion all the rolls of one file may take between them, so
// that lines that run away cannot hold up the check for long. Sampling stops
// early when they are spent.
inline constexpr std::uint64_t kSampleSteps = 8'000'000;

// A way the rolls ended the run, at the line whose pick of table 0 led to it.
struct SampledEnding {
  std::uint64_t line = 0;  // of the entry picked; 0 when not known
  std::string message;     // what weft writes as it ends the run, the first time
  std::uint64_t rolls = 0;

  bool operator==(const SampledEnding&) const = default;
};

struct SampledLines {
  std::uint64_t rolls = 0;     // lines asked for
  std::uint64_t distinct = 0;  // different lines among those made
  std::uint64_t mostRepeats = 0;
  std::vector<SampledEnding> endings;  // by line, then message

  bool operator==(const SampledLines&) const = default;
};

// Makes one line of table 0 of `file` at each of `rolls` spread clock
// seconds (starting at second 0, so the figures are the same every time),
// each as a fresh run of weft: the random source seeded with the second and
// the clock standing at it. `lines` gives the line each entry of table 0
// stands on, when known. With `counts`, each line made is counted there.
SampledLines sampleLines(const DataFile& file, FileSystem& files, const EntryLines* lines,
                         std::uint64_t rolls = kSampleRolls,
                         std::unordered_map<std::string, std::uint64_t>* counts = nullptr);

}  // namespace weft::check
