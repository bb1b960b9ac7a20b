// Helpers shared by the unit tests.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "support/clock.h"

namespace weft::testing {

// Makes a fresh temporary directory and makes it the working directory; on
// destruction goes back to the previous working directory and removes it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string previous_;
};

// Writes `content` to `path` (relative to the working directory), creating
// the directories on the way.
void writeFile(const std::string& path, std::string_view content);

// Holds the clock at `seconds` for the life of the object.
class FrozenClock {
 public:
  explicit FrozenClock(std::int64_t seconds);
  ~FrozenClock();
  FrozenClock(const FrozenClock&) = delete;
  FrozenClock& operator=(const FrozenClock&) = delete;

  void set(std::int64_t seconds);

 private:
  ClockFunction previous_;
};

// The draws a RandomSource seeded with `seed` makes, in order: the reference
// against which picks are checked.
std::uint32_t nthDraw(std::uint32_t seed, int n);

}  // namespace weft::testing
