#include "datafile/table.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "support/random_source.h"

namespace weft {

namespace {

// The first block of a table is small, so that a table just past the drawn
// positions costs little; each next one doubles, up to a size at which a
// block costs little to fill and little to leave partly empty.
constexpr std::size_t kFirstBlockSize = std::size_t{1} << 12;
constexpr std::size_t kMaxBlockSize = std::size_t{1} << 18;
constexpr std::uint64_t kIndexedPositions = kDrawRange;
constexpr std::size_t kLengthBytes = sizeof(std::uint32_t);
// A position's entry in the index: block number, then offset in the block.
constexpr unsigned kOffsetBits = 18;
constexpr std::uint32_t kOffsetMask = (std::uint32_t{1} << kOffsetBits) - 1;
static_assert(kMaxBlockSize <= (std::size_t{1} << kOffsetBits));
// The block number of a drawn text must fit in the bits above the offset.
// Every block holds at least kFirstBlockSize bytes and is left only when the
// next text does not fit, so it holds at least kTextsPerBlock texts of the
// longest ordinary kind; a longer text takes a block of its own. The drawn
// texts, at most kIndexedPositions of them, thus fill few enough blocks.
constexpr std::size_t kTextsPerBlock = kFirstBlockSize / (Table::kMaxEntryBytes + kLengthBytes);
static_assert(kIndexedPositions / kTextsPerBlock + 1 + 4096 <=
              (std::size_t{1} << (32 - kOffsetBits)));

}  // namespace

Table::Table(const Table& other)
    : pickOffsets_(other.pickOffsets_),
      runs_(other.runs_),
      runLines_(other.runLines_),
      size_(other.size_) {
  blocks_.reserve(other.blocks_.size());
  for (const Block& block : other.blocks_) {
    addBlock(block.capacity);
    std::memcpy(blocks_.back().bytes.get(), block.bytes.get(), block.used);
    blocks_.back().used = block.used;
  }
}

Table& Table::operator=(const Table& other) {
  if (this != &other) *this = Table(other);
  return *this;
}

void Table::addBlock(std::size_t atLeast) {
  const std::size_t next =
      blocks_.empty() ? kFirstBlockSize : std::min(blocks_.back().capacity * 2, kMaxBlockSize);
  Block block;
  block.capacity = std::max(next, atLeast);
  block.bytes = std::unique_ptr<char[]>(new char[block.capacity]);
  blocks_.push_back(std::move(block));
}

void Table::append(std::string_view text, std::uint32_t count) {
  if (count == 0) return;
  // A text that can be drawn goes behind its length, so that a pick finds
  // both at the place the index names.
  const bool drawn = size_ < kIndexedPositions;
  const std::size_t need = text.size() + (drawn ? kLengthBytes : 0);
  // Entries are at most a logical line long; one that is larger still gets a
  // block of its own rather than being cut.
  if (blocks_.empty() || blocks_.back().capacity - blocks_.back().used < need) addBlock(need);
  Block& block = blocks_.back();
  const std::size_t blockIndex = blocks_.size() - 1;
  char* at = block.bytes.get() + block.used;
  StoredRun run{static_cast<std::uint32_t>(blockIndex), static_cast<std::uint32_t>(block.used),
                static_cast<std::uint32_t>(text.size()), count};
  if (drawn) {
    // Blocks up to kMaxBlockSize keep offsets below 2^kOffsetBits, and the
    // block numbers of drawn texts fit above them (see kTextsPerBlock).
    const auto length = static_cast<std::uint32_t>(text.size());
    std::memcpy(at, &length, kLengthBytes);
    assert(blockIndex < (std::size_t{1} << (32 - kOffsetBits)));
    const auto packed = static_cast<std::uint32_t>((blockIndex << kOffsetBits) | block.used);
    pickOffsets_.resize(std::min(size_ + count, kIndexedPositions), packed);
    at += kLengthBytes;
    run.offset += kLengthBytes;
  }
  if (!text.empty()) std::memcpy(at, text.data(), text.size());
  block.used += need;
  runs_.push_back(run);
  size_ += count;
}

std::string_view Table::textOf(const StoredRun& run) const {
  return std::string_view(blocks_[run.block].bytes.get() + run.offset, run.length);
}

std::string_view Table::entryAt(std::uint64_t position) const {
  assert(position < size_);
  if (position < pickOffsets_.size()) {
    const std::uint32_t packed = pickOffsets_[position];
    const char* at = blocks_[packed >> kOffsetBits].bytes.get() + (packed & kOffsetMask);
    std::uint32_t length;
    std::memcpy(&length, at, sizeof length);
    return std::string_view(at + sizeof length, length);
  }
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

std::size_t Table::runAt(std::uint64_t position) const {
  assert(position < size_);
  std::size_t index = 0;
  for (const StoredRun& run : runs_) {
    if (position < run.count) break;
    position -= run.count;
    ++index;
  }
  return index;
}

void Table::setLastRunLine(std::uint64_t line) {
  assert(!runs_.empty());
  runLines_.resize(runs_.size());
  runLines_.back() = line;
}

}  // namespace weft
