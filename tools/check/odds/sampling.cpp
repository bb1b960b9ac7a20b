#include "odds/sampling.h"

#include <algorithm>
#include <string_view>
#include <tuple>
#include <utility>

#include "support/clock.h"
#include "support/engine.h"
#include "support/spread_seconds.h"

namespace weft::check {

namespace {

// Returns the line of the entry that the first draw at `second` picks from
// table 0 of `file`, or 0 when it is not known.
std::uint64_t pickedLine(const DataFile& file, const EntryLines* lines, std::int64_t second) {
  const Table& table = file.table(0);
  if (lines == nullptr || table.empty()) return 0;
  const std::size_t run = table.runAt(firstDrawAt(second, 0) % table.size());
  const std::vector<std::uint64_t>& runLines = (*lines)[0];
  return run < runLines.size() ? runLines[run] : 0;
}

bool spent(const SampleBudget& budget, std::uint64_t steps) {
  if (steps >= budget.steps) return true;
  return budget.stopwatch != nullptr && budget.stopwatch->elapsed() >= budget.time;
}

}  // namespace

SampledLines sampleLines(const DataFile& file, FileSystem& files, const EntryLines* lines,
                         const SampleBudget& budget,
                         std::unordered_map<std::string, std::uint64_t>* counts) {
  MemoryConsole console;
  FixedClock clock;
  Engine engine(console, files, clock);
  std::unordered_map<std::string, std::uint64_t> seen;
  // By the line picked and the kind of ending: the first message of each.
  std::map<std::pair<std::uint64_t, ExitStatus>, SampledEnding> endings;
  std::map<std::uint64_t, std::uint64_t> picks;  // rolls by the line they picked
  SampledLines sampled;
  std::uint64_t steps = 0;
  std::string line;
  for (const std::int64_t second : spreadSeconds(budget.rolls, 0)) {
    if (sampled.rolls > 0 && spent(budget, steps)) break;
    clock.set(second);
    engine.random.seedRandom(static_cast<std::uint32_t>(second));
    ++sampled.rolls;
    const std::uint64_t picked = pickedLine(file, lines, second);
    ++picks[picked];
    engine.expansion.steps = 0;  // a line without references leaves it as it was
    try {
      file.generateInto(engine, line);
      const std::uint64_t count = ++seen[line];
      sampled.mostRepeats = std::max(sampled.mostRepeats, count);
    } catch (const Ending& ending) {
      SampledEnding& counted = endings[{picked, ending.status}];
      if (counted.rolls++ == 0) {
        counted.line = picked;
        counted.status = ending.status;
        counted.message = ending.message;
      }
    }
    steps += engine.expansion.steps;
    // What the lines wrote on the way ("Didn't grok", bad tables) is not kept.
    console.clear();
  }
  sampled.distinct = seen.size();
  for (const auto& [text, count] : seen) ++sampled.repeats[count];
  if (counts != nullptr) *counts = std::move(seen);
  for (auto& [where, ending] : endings) {
    ending.picked = picks[ending.line];
    sampled.endings.push_back(std::move(ending));
  }
  return sampled;
}

}  // namespace weft::check
