#include "support/directory.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace weft {

std::string workingDirectory() {
  std::vector<char> buffer(256);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (std::size_t{1} << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

bool changeDirectory(const std::string& directory) {
  return directory.find('\0') == std::string::npos && ::chdir(directory.c_str()) == 0;
}

Operand splitOperand(std::string_view operand) {
  const std::size_t split = operand.rfind('\\');
  if (split == std::string_view::npos) return Operand{std::nullopt, std::string(operand)};
  return Operand{std::string(operand.substr(0, split)), std::string(operand.substr(split + 1))};
}

}  // namespace weft
