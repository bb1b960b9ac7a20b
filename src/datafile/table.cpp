#include "datafile/table.h"

#include <algorithm>
#include <cassert>

namespace weft {

namespace {

constexpr std::size_t kBlockSize = std::size_t{1} << 18;
constexpr std::uint64_t kIndexedPositions = 32768;

}  // namespace

void Table::append(std::string_view text, std::uint32_t count) {
  if (count == 0) return;
  // Entries are at most a logical line long; one that is larger still gets a
  // block of its own rather than being cut.
  if (blocks_.empty() || blocks_.back().size() + text.size() > blocks_.back().capacity()) {
    blocks_.emplace_back();
    blocks_.back().reserve(std::max(kBlockSize, text.size()));
  }
  std::string& block = blocks_.back();
  const StoredRun run{static_cast<std::uint32_t>(blocks_.size() - 1),
                      static_cast<std::uint32_t>(block.size()),
                      static_cast<std::uint32_t>(text.size()), count};
  block.append(text);
  const auto runIndex = static_cast<std::uint32_t>(runs_.size());
  runs_.push_back(run);
  const std::uint64_t indexedEnd = std::min(size_ + count, kIndexedPositions);
  if (size_ < indexedEnd) runOfPosition_.resize(indexedEnd, runIndex);
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
