#include "support/directory.h"

namespace weft {

Operand splitOperand(std::string_view operand) {
  const std::size_t split = operand.rfind('\\');
  if (split == std::string_view::npos) return Operand{std::nullopt, std::string(operand)};
  return Operand{std::string(operand.substr(0, split)), std::string(operand.substr(split + 1))};
}

std::string joinOperand(std::string_view directory, std::string_view filename) {
  if (directory.empty()) return std::string(filename);
  std::string operand(directory);
  operand += '\\';
  operand += filename;
  return operand;
}

}  // namespace weft
