#include "roll/keep_parts.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>

namespace weft {

namespace {

using Path = std::vector<std::uint32_t>;

constexpr std::uint64_t kTriesPerClockReading = 64;

// What a line must show to keep the kept steps and roll the rest again.
struct Wanted {
  std::vector<std::pair<Path, const LineStep*>> same;
  std::vector<std::pair<Path, const LineStep*>> other;
};

bool matches(const Wanted& wanted, const RolledLine& original, const RolledLine& candidate) {
  if (candidate.ending || candidate.line == original.line) return false;
  // Most seconds pick another first entry: they are told apart without
  // building the tree of steps.
  if (!wanted.same.empty() && wanted.same.front().first.size() == 1 &&
      (candidate.steps.empty() || !sameChoice(*wanted.same.front().second, candidate.steps[0]))) {
    return false;
  }
  const std::vector<Path> paths = stepPaths(candidate.steps);
  std::map<Path, const LineStep*> at;
  for (std::size_t i = 0; i < paths.size(); ++i) at.emplace(paths[i], &candidate.steps[i]);
  for (const auto& [path, step] : wanted.same) {
    const auto found = at.find(path);
    if (found == at.end() || !sameChoice(*step, *found->second)) return false;
  }
  for (const auto& [path, step] : wanted.other) {
    const auto found = at.find(path);
    if (found != at.end() && sameChoice(*step, *found->second)) return false;
  }
  return true;
}

// Returns second + distance, or nothing outside the clock's range.
std::optional<std::int64_t> shifted(std::int64_t second, std::int64_t distance) {
  std::int64_t sum = 0;
  if (__builtin_add_overflow(second, distance, &sum)) return std::nullopt;
  return sum;
}

}  // namespace

std::vector<std::size_t> keptSteps(const std::vector<LineStep>& steps,
                                   const std::vector<std::size_t>& kept) {
  const std::size_t count = steps.size();
  const auto parentOf = [&steps, count](std::size_t i) {
    return i < count ? steps[i].parent : LineStep::kNoParent;
  };
  std::set<std::size_t> all;
  for (std::size_t index : kept) {
    // A listed file's line is kept whole: from its Enter or Leave, go up to
    // the reference that names it.
    if (index < count && steps[index].kind == LineStep::Kind::Leave) index = parentOf(index);
    if (index < count && steps[index].kind == LineStep::Kind::Enter) index = parentOf(index);
    if (index >= count) continue;
    if (steps[index].kind == LineStep::Kind::Reference &&
        steps[index].reference == ReferenceTarget::Kind::Name) {
      for (const std::size_t i : partOf(steps, index)) all.insert(i);
    }
    for (std::size_t at = index, hops = 0; at < count && hops <= count; at = parentOf(at), ++hops) {
      all.insert(at);
    }
  }
  return {all.begin(), all.end()};
}

std::vector<std::size_t> keptBeside(const std::vector<LineStep>& steps, std::size_t part) {
  const std::vector<std::size_t> inside = partOf(steps, part);
  std::set<std::size_t> dropped(inside.begin(), inside.end());
  for (std::size_t at = part, hops = 0; at < steps.size() && hops <= steps.size();
       at = steps[at].parent, ++hops) {
    if (steps[at].kind != LineStep::Kind::Enter) continue;
    dropped.insert(at);
    dropped.insert(steps[at].parent);
    for (std::size_t i = 0; i < steps.size(); ++i) {
      if (steps[i].kind == LineStep::Kind::Leave && steps[i].parent == at) dropped.insert(i);
    }
  }
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (!dropped.contains(i)) kept.push_back(i);
  }
  return kept;
}

std::vector<std::size_t> rolledParts(const std::vector<LineStep>& steps,
                                     const std::vector<std::size_t>& kept) {
  const std::vector<std::size_t> keeps = keptSteps(steps, kept);
  const auto isKept = [&keeps](std::size_t i) {
    return std::binary_search(keeps.begin(), keeps.end(), i);
  };
  std::vector<std::size_t> heads;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    if (isKept(i) || !makesChoice(steps[i])) continue;
    // A part begins where no choice above it is rolled again too.
    bool head = true;
    for (std::size_t at = steps[i].parent, hops = 0; at < steps.size() && hops <= steps.size();
         at = steps[at].parent, ++hops) {
      if (!isKept(at) && makesChoice(steps[at])) {
        head = false;
        break;
      }
    }
    if (head) heads.push_back(i);
  }
  return heads;
}

RolledLines rollKeeping(LineRoller& roller, const DataFile& file, const RolledLine& original,
                        const std::vector<std::size_t>& kept, std::size_t count, bool unique,
                        const RollBudget& budget) {
  RolledLines result;
  const std::vector<std::size_t> heads = rolledParts(original.steps, kept);
  if (heads.empty() || count == 0) return result;
  const std::vector<Path> paths = stepPaths(original.steps);
  Wanted wanted;
  for (const std::size_t i : keptSteps(original.steps, kept)) {
    wanted.same.emplace_back(paths[i], &original.steps[i]);
  }
  for (const std::size_t i : heads) wanted.other.emplace_back(paths[i], &original.steps[i]);

  const auto began = std::chrono::steady_clock::now();
  std::set<std::string> seen;
  for (std::int64_t distance = 1; result.secondsTried < budget.seconds; ++distance) {
    for (const std::int64_t sign : {1, -1}) {
      const std::optional<std::int64_t> second = shifted(original.second, sign * distance);
      if (!second || result.secondsTried >= budget.seconds) continue;
      RolledLine candidate = roller.rollAt(file, *second);
      ++result.secondsTried;
      if (matches(wanted, original, candidate) && (!unique || seen.insert(candidate.line).second)) {
        result.lines.push_back(std::move(candidate));
        if (result.lines.size() == count) return result;
      }
      if (result.secondsTried % kTriesPerClockReading == 0 &&
          std::chrono::steady_clock::now() - began > budget.time) {
        result.outOfTime = true;
        return result;
      }
    }
    // Both ends of the clock's range are behind: no second is left.
    if (distance == std::numeric_limits<std::int64_t>::max()) break;
  }
  return result;
}

}  // namespace weft
