// Shared pieces of the fuzz targets: a run-ending problem that unwinds back
// to the target instead of ending the process, a quiet standard output, a
// fixed clock, and a private scratch directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace weft::fuzz {

// Thrown in place of ending the run. setUp() installs a fatal handler that
// throws it, so that a problem which ends a run of weft (an empty line, an
// empty table referenced, a line over its limits) comes back here with its
// status; the code between has only scoped state, which unwinds.
struct RunEnded {
  int status;
};

// Installs the fatal handler that throws RunEnded, points standard output at
// /dev/null (the dice notice and the flushes of
// diagnostics go there), freezes the clock, and lowers the expansion limits
// so that one input stays fast. Call once, from LLVMFuzzerInitialize.
void setUp();

// Makes a fresh directory under the temporary directory and returns its path.
// The directory and what it holds are removed when the process exits.
std::string makeScratchDir(std::string_view prefix);

// Empties `directory` (files and one level of subdirectories).
void clearDir(const std::string& directory);

// Splits a fuzz input into a first byte of flags and up to names.size() file
// bodies separated by "\n~~\n", and writes each body to scratch/name (weft
// only reads, so each input rewrites the same files in place). Returns false,
// writing nothing, for inputs to skip: empty ones, ones over 64 KiB, and ones
// holding "/" or "..", which could lead a file list or "%chdir:" out of the
// scratch directory to devices that never end.
bool writeInputFiles(const std::uint8_t* data, std::size_t size, const std::string& scratch,
                     std::span<const char* const> names, unsigned& flags);

// Writes all of `content` to the descriptor `fd`.
void writeAll(int fd, std::string_view content);

// Writes `content` to `path`.
void writeFile(const std::string& path, std::string_view content);

}  // namespace weft::fuzz
