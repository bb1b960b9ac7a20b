// The run driver: reads the command line, seeds the random source, and prints
// the generated lines of each data file named.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace weft {

// A data-file operand split at its last backslash: the directory to change
// into (none when the operand holds no backslash) and the file name. Only a
// backslash separates; a slash is an ordinary byte of the file name.
struct Operand {
  std::optional<std::string> directory;
  std::string filename;
};

Operand splitOperand(std::string_view operand);

inline constexpr const char* kOptionString = "tdn:m:s:";
inline constexpr const char* kUsageText =
    "[-td] [-n <num_elements>] [-s <seed>] [-m <maxfreq>] datafile datafile...";

// Runs weft over `argv` (reordering its elements). Returns the exit status of
// a run that reaches its end; other endings leave the process directly.
int runWeft(int argc, char** argv);

}  // namespace weft
