// Data-file operands of the command line.
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

// Returns the operand that splitOperand takes apart into `directory` and
// `filename`: the name alone when `directory` is empty.
// REQUIRES: `filename` holds no backslash
std::string joinOperand(std::string_view directory, std::string_view filename);

}  // namespace weft
