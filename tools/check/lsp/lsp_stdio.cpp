// The language server on standard input and output, as editors start one.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>

#include "lsp/lsp_server.h"
#include "lsp/protocol/framing.h"

namespace weft::check::lsp {

namespace {

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
    if (!writeAll(framed(message))) return false;
  }
  return true;
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
