// The lines of a data file as weft's own generator makes them, sampled at
// spread clock seconds: the variety of files too rich to follow every choice
// of, and the lines that end weft's run.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "datafile/data_file.h"
#include "model/file_facts.h"
#include "support/console.h"
#include "support/file_system.h"

namespace weft::check {

// Rolls taken of a file whose lines cannot all be followed.
inline constexpr std::uint64_t kSampleRolls = 20'000;
// Steps of expansion all the rolls of one file may take between them, so
// that lines that run away cannot hold up the check for long. Sampling stops
// early when they are spent.
inline constexpr std::uint64_t kSampleSteps = 8'000'000;

// The budget of the plain check, which samples every data file it is given:
// enough rolls that each entry of a table 0 of up to 2,000 positions
// is picked, and little enough time that the check stays quick. A line that
// runs into weft's limits costs a million steps or so, the whole step budget.
inline constexpr std::uint64_t kCheckRolls = 2'000;
inline constexpr std::uint64_t kCheckSteps = 1'000'000;
inline constexpr std::chrono::milliseconds kCheckTime{100};

// Time spent, for the budget of a sample: the steady clock in a check, a
// stand-in in tests, so that a sample can be made to stop where a test says.
class Stopwatch {
 public:
  virtual ~Stopwatch() = default;
  // Returns the time since the stopwatch was made.
  virtual std::chrono::nanoseconds elapsed() = 0;
};

class SteadyStopwatch final : public Stopwatch {
 public:
  std::chrono::nanoseconds elapsed() override { return std::chrono::steady_clock::now() - start_; }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// What a sample may spend: rolls, steps of expansion (as weft counts them
// against its limits of a line), and time, read from `stopwatch` between
// rolls (none: no limit of time). The first roll is always made.
struct SampleBudget {
  std::uint64_t rolls = kSampleRolls;
  std::uint64_t steps = kSampleSteps;
  std::chrono::nanoseconds time = std::chrono::nanoseconds::max();
  Stopwatch* stopwatch = nullptr;
};

// Returns the budget of the plain check, its time read from `stopwatch`.
inline SampleBudget checkBudget(Stopwatch& stopwatch) {
  return SampleBudget{kCheckRolls, kCheckSteps, kCheckTime, &stopwatch};
}

// A way the rolls ended the run, at the line whose pick of table 0 led to it.
struct SampledEnding {
  std::uint64_t line = 0;  // of the entry picked; 0 when not known
  ExitStatus status = ExitStatus::Normal;
  std::string message;  // what weft writes as it ends the run, the first time
  std::uint64_t rolls = 0;
  std::uint64_t picked = 0;  // rolls that picked the same line, ended or not

  bool operator==(const SampledEnding&) const = default;
};

struct SampledLines {
  std::uint64_t rolls = 0;     // lines asked for
  std::uint64_t distinct = 0;  // different lines among those made
  std::uint64_t mostRepeats = 0;
  // How many different lines came up how often: times -> lines.
  std::map<std::uint64_t, std::uint64_t> repeats;
  std::vector<SampledEnding> endings;  // by line, then status

  bool operator==(const SampledLines&) const = default;
};

// Makes one line of table 0 of `file` at each of `budget.rolls` spread clock
// seconds (starting at second 0, so the figures are the same every time),
// each as a fresh run of weft: the random source seeded with the second and
// the clock standing at it, until the budget is spent. `lines` gives the
// line each entry of table 0 stands on, when known. With `counts`, each line
// made is counted there.
SampledLines sampleLines(const DataFile& file, FileSystem& files, const EntryLines* lines,
                         const SampleBudget& budget = {},
                         std::unordered_map<std::string, std::uint64_t>* counts = nullptr);

}  // namespace weft::check
