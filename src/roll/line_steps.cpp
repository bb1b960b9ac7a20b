#include "roll/line_steps.h"

#include <algorithm>

#include "datafile/data_file.h"

namespace weft {

namespace {

// The working text is followed only this far; behind it the steps of a
// line that grows so long hang under the level's pick.
constexpr std::size_t kFollowedBytes = std::size_t{1} << 16;

StepPick stepPick(const DataFile& file, const Pick& pick) {
  const Table& table = file.table(pick.table);
  const std::size_t run = table.runAt(pick.position);
  std::uint64_t first = 0;
  for (std::size_t i = 0; i < run; ++i) first += table.run(i).count;
  return {file.filename(), pick.line, pick.table,           pick.position,          run,
          table.size(),    first,     table.run(run).count, std::string(pick.entry)};
}

}  // namespace

LineStep& StepRecorder::add(LineStep::Kind kind, const DataFile& file, std::size_t parent) {
  LineStep& step = steps_.emplace_back();
  step.kind = kind;
  step.depth = static_cast<int>(levels_.size());
  step.file = file.filename();
  step.parent = parent;
  return step;
}

void StepRecorder::lineStarted(const DataFile& file) {
  std::size_t enter = LineStep::kNoParent;
  if (levels_.empty()) {
    steps_.clear();
  } else {
    enter = steps_.size();
    add(LineStep::Kind::Enter, file, LineStep::kNoParent);
    levels_.back().enters.push_back(enter);
  }
  levels_.emplace_back().enter = enter;
}

void StepRecorder::picked(const DataFile& file, const Pick& pick) {
  Level& level = levels_.back();
  if (level.picked) {
    level.pick = stepPick(file, pick);
    return;
  }
  level.picked = true;
  level.root = steps_.size();
  add(LineStep::Kind::Pick, file, level.enter).pick = stepPick(file, pick);
  level.rest.assign(pick.entry);
  level.pieces.assign(1, {level.root, pick.entry.size()});
}

void StepRecorder::rolled(const DataFile&, const Roll& roll) {
  levels_.back().roll = StepRoll{std::string(roll.expression),
                                 roll.read,
                                 {roll.dice.begin(), roll.dice.end()},
                                 roll.modifier,
                                 roll.total,
                                 roll.seed};
}

void StepRecorder::replaced(const DataFile& file, const ReferenceStep& step) {
  Level& level = levels_.back();
  const std::size_t index = steps_.size();
  LineStep& added = add(LineStep::Kind::Reference, file, level.root);
  added.reference = step.kind;
  added.inner = step.inner;
  added.text = step.replacement;
  added.resolved = step.resolved;
  added.listed = level.listed;
  if (step.resolved) added.pick = std::move(level.pick);
  added.roll = std::move(level.roll);
  added.parent = advance(level, step.replacement, index);
  for (const std::size_t enter : level.enters) steps_[enter].parent = index;
  level.pick.reset();
  level.roll.reset();
  level.listed = 0;
  level.enters.clear();
}

void StepRecorder::lineFinished(const DataFile& file, std::string_view line) {
  Level& level = levels_.back();
  if (!level.picked) add(LineStep::Kind::EmptyTable, file, level.enter);
  const std::size_t enter = level.enter;
  levels_.pop_back();
  if (!levels_.empty()) {
    add(LineStep::Kind::Leave, file, enter).text = line;
    ++levels_.back().listed;
  }
}

std::size_t StepRecorder::advance(Level& level, std::string_view replacement, std::size_t step) {
  const ReferenceSpan span = findReference(level.rest);
  if (!span.found() || level.rest.size() > kFollowedBytes) {
    level.rest.clear();
    level.pieces.clear();
    return level.root;
  }
  // The pieces lie front last: the one that holds the "(" owns the reference.
  std::size_t owner = level.root;
  std::size_t offset = 0;
  for (auto piece = level.pieces.rbegin(); piece != level.pieces.rend(); ++piece) {
    if (span.open < offset + piece->length) {
      owner = piece->owner;
      break;
    }
    offset += piece->length;
  }
  std::size_t drop = span.close + 1;
  while (drop > 0 && !level.pieces.empty()) {
    Piece& front = level.pieces.back();
    const std::size_t taken = std::min(drop, front.length);
    front.length -= taken;
    drop -= taken;
    if (front.length == 0) level.pieces.pop_back();
  }
  level.rest.replace(0, span.close + 1, replacement);
  if (!replacement.empty()) level.pieces.push_back({step, replacement.size()});
  return owner;
}

std::vector<std::vector<std::uint32_t>> stepPaths(const std::vector<LineStep>& steps) {
  const std::size_t count = steps.size();
  // Each step's place among its parent's children, in the order of steps.
  std::vector<std::uint32_t> ordinal(count);
  std::vector<std::uint32_t> children(count + 1, 0);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t parent = steps[i].parent < count ? steps[i].parent : count;
    ordinal[i] = children[parent]++;
  }
  std::vector<std::vector<std::uint32_t>> paths(count);
  for (std::size_t i = 0; i < count; ++i) {
    // A parent chain never comes back to a step; the bound only guards it.
    for (std::size_t at = i, hops = 0; at < count && hops <= count; at = steps[at].parent, ++hops) {
      paths[i].push_back(ordinal[at]);
    }
    std::reverse(paths[i].begin(), paths[i].end());
  }
  return paths;
}

std::vector<std::size_t> partOf(const std::vector<LineStep>& steps, std::size_t index) {
  std::vector<std::size_t> part;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    for (std::size_t at = i, hops = 0; at < steps.size() && hops <= steps.size();
         at = steps[at].parent, ++hops) {
      if (at == index) {
        part.push_back(i);
        break;
      }
    }
  }
  return part;
}

bool makesChoice(const LineStep& step) {
  if (step.kind == LineStep::Kind::Pick) return true;
  if (step.kind != LineStep::Kind::Reference) return false;
  return step.reference == ReferenceTarget::Kind::Dice ||
         (step.reference == ReferenceTarget::Kind::Table && step.resolved);
}

bool sameStep(const LineStep& a, const LineStep& b) {
  if (a.kind != b.kind || a.depth != b.depth || a.file != b.file) return false;
  return a.kind != LineStep::Kind::Reference ||
         (a.reference == b.reference && a.inner == b.inner && a.resolved == b.resolved);
}

bool sameChoice(const LineStep& a, const LineStep& b) {
  if (!sameStep(a, b)) return false;
  if (a.reference == ReferenceTarget::Kind::Dice && a.kind == LineStep::Kind::Reference) {
    return a.text == b.text;
  }
  if (!makesChoice(a)) return true;
  return a.pick.has_value() == b.pick.has_value() &&
         (!a.pick || (a.pick->table == b.pick->table && a.pick->run == b.pick->run));
}

}  // namespace weft
