// Shared pieces of the fuzz targets: an engine whose files lie in memory and
// whose console reads every byte written and keeps none, and the split of an
// input into data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "support/clock.h"
#include "support/console.h"
#include "support/engine.h"
#include "support/file_system.h"

namespace weft::fuzz {

// A console that reads what is written (so that a sanitizer checks every
// byte) and drops it.
class NullConsole final : public Console {
 protected:
  int writeOutBytes(std::string_view text) override;
  void writeErr(std::string_view text) override;
};

// An engine for one input: files in memory, a null console, a clock held
// still, and expansion limits lowered so that one input stays fast. A
// problem that ends a run of weft comes back as an Ending.
struct FuzzEngine {
  FuzzEngine();
  NullConsole console;
  MemoryFileSystem files;
  FixedClock clock{1767225600};
  Engine engine{console, files, clock};
};

// Splits a fuzz input into a first byte of flags and up to names.size() file
// bodies separated by "\n~~\n", and adds each body to `files` under its
// name. Returns false, adding nothing, for empty inputs and ones over 64 KiB.
bool readInputFiles(const std::uint8_t* data, std::size_t size, MemoryFileSystem& files,
                    std::span<const char* const> names, unsigned& flags);

}  // namespace weft::fuzz
