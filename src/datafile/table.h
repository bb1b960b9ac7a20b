// A table of weighted entries.
#pragma once

#include <cstdint>
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
  // One entry line: its text and how many positions it fills.
  struct Run {
    std::string_view text;
    std::uint32_t count;
  };

  // Appends `count` copies of `text` at the end. Does nothing when `count` is 0.
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

 private:
  struct StoredRun {
    std::uint32_t block;   // index into blocks_
    std::uint32_t offset;  // byte offset inside that block
    std::uint32_t length;
    std::uint32_t count;
  };

  std::string_view textOf(const StoredRun& run) const;

  // Entry texts back to back in blocks of a fixed capacity, so that storing a
  // large file never copies what is already stored and never holds a block
  // and its doubled successor at once.
  std::vector<std::string> blocks_;
  std::vector<StoredRun> runs_;
  // The run of each of the first kIndexedPositions positions. Draws are 15-bit
  // numbers, so every pick falls in this range and costs one look-up.
  std::vector<std::uint16_t> runOfPosition_;
  std::uint64_t size_ = 0;
};

}  // namespace weft
