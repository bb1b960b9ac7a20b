#include "roll/roll_lines.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "support/spread_seconds.h"

namespace weft {

namespace {

// The clock is read this often while searching.
constexpr std::uint64_t kTriesPerClockReading = 64;

}  // namespace

RolledLines rollLines(LineRoller& roller, const DataFile& file, std::size_t count,
                      std::int64_t start, bool unique, const RollBudget& budget) {
  RolledLines result;
  const std::int64_t offset = roller.settings().seedOffset;
  if (!unique) {
    for (const std::int64_t second : spreadSeconds(count, start, offset)) {
      result.lines.push_back(roller.rollAt(file, second));
      ++result.secondsTried;
      if (result.lines.back().ending) break;
    }
    return result;
  }
  const auto began = std::chrono::steady_clock::now();
  const std::uint64_t limit = std::max<std::uint64_t>(budget.seconds, count);
  std::unordered_set<std::string> seen;
  std::vector<std::int64_t> seconds;
  // The spread is asked for in growing pieces: its first n seconds are the
  // same whatever n, and most files need few more seconds than lines.
  for (std::uint64_t asked = count; result.lines.size() < count && result.secondsTried < limit;
       asked = std::min(limit, asked * 2)) {
    seconds = spreadSeconds(static_cast<std::size_t>(asked), start, offset);
    for (std::size_t i = static_cast<std::size_t>(result.secondsTried);
         i < seconds.size() && result.lines.size() < count; ++i) {
      RolledLine rolled = roller.rollAt(file, seconds[i]);
      ++result.secondsTried;
      if (!rolled.ending && seen.insert(rolled.line).second) {
        result.lines.push_back(std::move(rolled));
      }
      if (result.secondsTried % kTriesPerClockReading == 0 &&
          std::chrono::steady_clock::now() - began > budget.time) {
        result.outOfTime = true;
        return result;
      }
    }
  }
  return result;
}

}  // namespace weft
