#include "datafile/table.h"

#include <algorithm>
#include <cassert>

namespace weft {

namespace {

// The first block of a table is small, so that the many small tables of a
// run cost little; each next one doubles, up to a size at which a block
// costs little to fill and little to leave partly empty.
constexpr std::size_t kFirstBlockSize = std::size_t{1} << 12;
constexpr std::size_t kMaxBlockSize = std::size_t{1} << 18;
constexpr std::uint64_t kIndexedPositions = 32768;

}  // namespace

void Table::append(std::string_view text, std::uint32_t count) {
  if (count == 0) return;
  // Entries are at most a logical line long; one that is larger still gets a
  // block of its own rather than being cut.
  if (blocks_.empty() || blocks_.back().size() + text.size() > blocks_.back().capacity()) {
    const std::size_t next =
        blocks_.empty() ? kFirstBlockSize : std::min(blocks_.back().capacity() * 2, kMaxBlockSize);
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(next, text.size()));
  }
  std::string& block = blocks_.back();
  const StoredRun run{static_cast<std::uint32_t>(blocks_.size() - 1),
                      static_cast<std::uint32_t>(block.size()),
                      static_cast<std::uint32_t>(text.size()), count};
  block.append(text);
  if (size_ < kIndexedPositions) {
    // Only the first 32768 positions are indexed, so the runs they fall in
    // are among the first 32768 and their numbers fit in 16 bits; the
    // smaller index keeps more of a table's picks in the cache.
    const auto runIndex = static_cast<std::uint16_t>(runs_.size());
    runOfPosition_.resize(std::min(size_ + count, kIndexedPositions), runIndex);
  }
  runs_.push_back(run);
  size_ += count;
}

std::string_view Table::textOf(const StoredRun& run) const {
  return std::string_view(blocks_[run.block]).substr(run.offset, run.length);
}

std::string_view Table::entryAt(std::uint64_t position) const {
  assert(position < size_);
  if (position < runOfPosition_.size()) return textOf(runs_[runOfPosition_[position]]);
  // Positions behind the indexed range are never drawn; walk the runs.
  std::uint64_t start = 0;
  for (const StoredRun& run : runs_) {
    if (position < start + run.count) return textOf(run);
    start += run.count;
  }
  return {};
}

Table::Run Table::run(std::size_t index) const {
  const StoredRun& stored = runs_.at(index);
  return Run{textOf(stored), stored.count};
}

}  // namespace weft
