#include "support/console.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace weft {

namespace {

std::string& outBuffer() {
  static std::string buffer;
  return buffer;
}

bool outFailed = false;

FatalHandler fatalHandler = nullptr;

// Writes all of `text` to `fd`, going on after interrupted or partial writes.
// Returns 0 on success, else the errno value of the failed write.
int writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
}

// Flushes standard output; returns false (after reporting the error once)
// when it cannot be written.
bool tryFlushOut() {
  std::string& buffer = outBuffer();
  if (outFailed) {
    buffer.clear();
    return false;
  }
  const int error = writeAll(STDOUT_FILENO, buffer);
  buffer.clear();
  if (error == 0) return true;
  outFailed = true;
  std::string message = "Can't write to standard output: ";
  message += std::strerror(error);
  message += '\n';
  writeAll(STDERR_FILENO, message);
  return false;
}

}  // namespace

void writeOut(std::string_view text) {
  if (!outFailed) outBuffer().append(text);
}

void flushOut() {
  if (!tryFlushOut()) std::exit(static_cast<int>(ExitStatus::WriteError));
}

void reportLine(std::string_view message) {
  flushOut();
  std::string line(message);
  line += '\n';
  writeAll(STDERR_FILENO, line);
}

void writeErrRaw(std::string_view text) { writeAll(STDERR_FILENO, text); }

void endRun(ExitStatus status) {
  if (!tryFlushOut()) status = ExitStatus::WriteError;
  std::exit(static_cast<int>(status));
}

void setFatalHandler(FatalHandler handler) { fatalHandler = handler; }

void fatal(ExitStatus status, std::string_view message) {
  if (fatalHandler != nullptr) fatalHandler(status, message);
  // A write error on standard output is reported, but the cause that ends
  // the run here is the one that keeps its message and status.
  tryFlushOut();
  std::string line(message);
  line += '\n';
  writeAll(STDERR_FILENO, line);
  std::exit(static_cast<int>(status));
}

}  // namespace weft
