// The language server on standard input and output: messages framed by a
// "Content-Length" header, as editors start a server.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "lsp/lsp_server.h"
#include "support/ascii.h"

namespace weft::check::lsp {

namespace {

// A larger message is taken for a broken stream.
constexpr std::size_t kLargestMessage = std::size_t{256} << 20;

bool writeAll(std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(STDOUT_FILENO, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool send(const std::vector<std::string>& messages) {
  for (const std::string& message : messages) {
    if (!writeAll("Content-Length: " + std::to_string(message.size()) + "\r\n\r\n" + message)) {
      return false;
    }
  }
  return true;
}

// Takes the first whole message out of `buffer`. A header block without a
// length is dropped; `broken` is set for a length beyond reason.
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

// The pause after which the deferred work starts.
constexpr int kPauseMilliseconds = 300;

// Returns whether input comes within `milliseconds`.
bool inputWaiting(int milliseconds) {
  pollfd input{STDIN_FILENO, POLLIN, 0};
  return ::poll(&input, 1, milliseconds) != 0;
}

}  // namespace

int runLanguageServer() {
  LanguageServer server;
  std::string buffer;
  char chunk[65536];
  bool broken = false;
  while (true) {
    while (std::optional<std::string> message = takeMessage(buffer, broken)) {
      if (!send(server.handle(*message))) return 1;
      if (server.exited()) return server.exitStatus();
    }
    if (broken) return 1;
    // Every message read so far is handled: a newer edit has replaced any
    // older one, so an analysis runs on the latest text only. The costly
    // search of lines waits for a longer pause.
    if ((server.hasIdleWork() && !inputWaiting(0)) ||
        (server.hasDeferredWork() && !inputWaiting(kPauseMilliseconds))) {
      if (!send(server.idle())) return 1;
      continue;
    }
    const ssize_t count = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) return server.exitStatus() == 0 ? 0 : 1;
    buffer.append(chunk, static_cast<std::size_t>(count));
  }
}

}  // namespace weft::check::lsp
