// Words the server's answers share.
#pragma once

#include <cstdint>
#include <string>

namespace weft::check::lsp {

// Returns `count` with its noun: "1 entry", "2 entries".
inline std::string counted(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace weft::check::lsp
