// A table of weighted entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace weft {

// An ordered sequence of entry texts in which an entry line of frequency n
// stands n times in a row. Each such run is stored once, with its count, so
// memory does not grow with frequencies; positions still count every copy, so
// a pick by position weights each line by its frequency.
class Table {
 public:
  Table() = default;
  Table(const Table& other);
  Table& operator=(const Table& other);
  Table(Table&& other) noexcept = default;
  Table& operator=(Table&& other) noexcept = default;
  ~Table() = default;

  // The longest entry text: a line is read in pieces of at most 1023 bytes.
  static constexpr std::size_t kMaxEntryBytes = 1023;

  // One entry line: its text and how many positions it fills.
  struct Run {
    std::string_view text;
    std::uint32_t count;
  };

  // Appends `count` copies of `text` at the end. Does nothing when `count` is 0.
  // A text longer than kMaxEntryBytes (no data file has one) is stored too,
  // in a block of its own.
  // REQUIRES: fewer than 4096 of the texts at the first kDrawRange positions
  // are longer than kMaxEntryBytes
  void append(std::string_view text, std::uint32_t count);

  // Returns the number of positions (every copy of every entry).
  std::uint64_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // Returns the entry at `position`, counted from 0 in table order.
  // REQUIRES: position < size()
  std::string_view entryAt(std::uint64_t position) const;

  // Returns the number of runs and the run at `index`, in table order.
  std::size_t runCount() const { return runs_.size(); }
  Run run(std::size_t index) const;

  // Returns the index of the run that holds `position`. Walks the runs, so it
  // is for tools, not for generation.
  // REQUIRES: position < size()
  std::size_t runAt(std::uint64_t position) const;

  // Records `line` as the line of the data file that the last run appended
  // came from. Only a table whose lines are asked for keeps them.
  // REQUIRES: runCount() > 0
  void setLastRunLine(std::uint64_t line);
  // Returns the line recorded for the run at `index`, or 0 when none was.
  std::uint64_t runLine(std::size_t index) const {
    return index < runLines_.size() ? runLines_[index] : 0;
  }

 private:
  struct StoredRun {
    std::uint32_t block;   // index into blocks_
    std::uint32_t offset;  // byte offset of the text inside that storage
    std::uint32_t length;
    std::uint32_t count;
  };

  // A piece of storage filled from the front.
  struct Block {
    std::unique_ptr<char[]> bytes;
    std::size_t used = 0;
    std::size_t capacity = 0;
  };

  std::string_view textOf(const StoredRun& run) const;
  void addBlock(std::size_t atLeast);

  // For each of the first kIndexedPositions positions, where its run's text
  // lies: block number and offset of the text's length, which the runs that
  // can be drawn store in front of their texts. A pick then reads the index
  // and one place in a block, usually a single cache line, instead of going
  // from the index to the run to the text: in tables too large for the cache
  // each of those steps would be a miss.
  std::vector<std::uint32_t> pickOffsets_;
  // Entry texts back to back in blocks, so that storing a large file never
  // copies what is already stored and never holds a block and its doubled
  // successor at once.
  std::vector<Block> blocks_;
  // A deque grows in fixed pieces: a vector would copy every run each time
  // it doubled, touching twice the memory the runs need, and in a large file
  // the runs are a third of the memory.
  std::deque<StoredRun> runs_;
  // The line of each run, as far as lines were recorded.
  std::vector<std::uint64_t> runLines_;
  std::uint64_t size_ = 0;
};

}  // namespace weft
