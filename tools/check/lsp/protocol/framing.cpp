#include "lsp/protocol/framing.h"

#include <cstdlib>

#include "support/ascii.h"

namespace weft::check::lsp {

namespace {

// A larger message is taken for a broken stream.
constexpr std::size_t kLargestMessage = std::size_t{256} << 20;

}  // namespace

std::optional<std::string> takeMessage(std::string& buffer, bool& broken) {
  while (true) {
    const std::size_t headerEnd = buffer.find("\r\n\r\n");
    if (headerEnd == std::string::npos) return std::nullopt;
    std::optional<std::size_t> length;
    const std::string header = lowerCopy(std::string_view(buffer).substr(0, headerEnd));
    if (const std::size_t key = header.find("content-length:"); key != std::string::npos) {
      const char* digits = header.c_str() + key + 15;
      char* end = nullptr;
      const unsigned long long value = std::strtoull(digits, &end, 10);
      if (end != digits) length = static_cast<std::size_t>(value);
    }
    if (!length) {
      buffer.erase(0, headerEnd + 4);
      continue;
    }
    if (*length > kLargestMessage) {
      broken = true;
      return std::nullopt;
    }
    if (buffer.size() - headerEnd - 4 < *length) return std::nullopt;
    std::string message = buffer.substr(headerEnd + 4, *length);
    buffer.erase(0, headerEnd + 4 + *length);
    return message;
  }
}

std::string framed(std::string_view message) {
  std::string text = "Content-Length: " + std::to_string(message.size()) + "\r\n\r\n";
  text += message;
  return text;
}

}  // namespace weft::check::lsp
