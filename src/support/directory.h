// The process's working directory.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace weft {

// Returns the working directory, or an empty text when it cannot be read.
std::string workingDirectory();

// Makes `directory` the working directory. Returns false when that fails,
// also for a name holding a zero byte, which no directory can have.
bool changeDirectory(const std::string& directory);

// A data-file operand split at its last backslash: the directory to change
// into (none when the operand holds no backslash) and the file name. Only a
// backslash separates; a slash is an ordinary byte of the file name.
struct Operand {
  std::optional<std::string> directory;
  std::string filename;
};

Operand splitOperand(std::string_view operand);

}  // namespace weft
