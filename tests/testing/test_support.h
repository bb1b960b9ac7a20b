// Helpers shared by the unit tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/clock.h"
#include "support/console.h"
#include "support/engine.h"
#include "support/file_system.h"

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

// An engine for tests: the system's files (those a ScratchDir holds), a
// console that keeps what is written, and a clock held at `seconds`.
struct TestEngine {
  explicit TestEngine(std::int64_t seconds = 0) : clock(seconds) {}
  MemoryConsole console;
  SystemFileSystem files;
  FixedClock clock;
  Engine engine{console, files, clock};
};

// Runs `work` and returns how the Ending it threw reads ("-2 Can't read x"),
// or "" when it returned.
template <class Work>
std::string endingOf(Work&& work) {
  try {
    work();
  } catch (const Ending& ending) {
    return std::to_string(static_cast<int>(ending.status)) + " " + ending.message;
  }
  return "";
}

// The draws a RandomSource seeded with `seed` makes, in order: the reference
// against which picks are checked.
std::uint32_t nthDraw(std::uint32_t seed, int n);

}  // namespace weft::testing
