// Shared pieces of the fuzz targets: a run-ending problem that unwinds back
// to the target instead of ending the process, a quiet standard output, a
// fixed clock, and a private scratch directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace weft::fuzz {

// Thrown in place of ending the run. Every build of a fuzz target links with
// --wrap for weft::fatal, so that a problem which ends a run of weft (an empty
// line, an empty table referenced, a line over its limits) comes back here
// with its status; the code between has only scoped state, which unwinds.
struct RunEnded {
  int status;
};

// Points standard output at /dev/null (the dice notice and the flushes of
// diagnostics go there), freezes the clock, and lowers the expansion limits
// so that one input stays fast. Call once, from LLVMFuzzerInitialize.
void setUp();

// Makes a fresh directory under the temporary directory and returns its path.
// The directory and what it holds are removed when the process exits.
std::string makeScratchDir(std::string_view prefix);

// Empties `directory` (files and one level of subdirectories).
void clearDir(const std::string& directory);

// Writes `content` to `path`.
void writeFile(const std::string& path, std::string_view content);

}  // namespace weft::fuzz
