#include "support/console.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

namespace weft {

namespace {

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

}  // namespace

std::string exitStatusText(int status) {
  static constexpr std::pair<ExitStatus, const char*> kWords[] = {
      {ExitStatus::Normal, "ended normally"},
      {ExitStatus::CantRead, "stopped: a data file could not be read"},
      {ExitStatus::ZeroLengthString, "stopped: a generated line came out empty"},
      {ExitStatus::CantChangeDirectory, "stopped: a %chdir: failed"},
      {ExitStatus::NoStartDirectory, "stopped: the starting folder could not be read"},
      {ExitStatus::ZeroLengthTable, "stopped: a table reference named an empty table"},
      {ExitStatus::InvalidInput, "stopped: a bad -n, or a file-list line containing \"table\""},
      {ExitStatus::FileListLoop, "stopped: a file list leads back to a file being loaded"},
      {ExitStatus::FileListTooDeep, "stopped: file lists nested too deep, or too many files"},
      {ExitStatus::ExpansionTooLong, "stopped: a line's expansion never ends"},
      {ExitStatus::WriteError, "stopped: standard output could not be written"},
      {ExitStatus::OutOfMemory, "stopped: the data files asked for more memory than there is"},
  };
  std::string text = "weft ended";
  for (const auto& [named, words] : kWords) {
    if (static_cast<int>(named) == status) text = std::string("weft ") + words;
  }
  text += " (exit status " + std::to_string(status);
  // A shell sees only the low 8 bits of the status.
  if (status < 0) text += ", shown by a shell as " + std::to_string(status & 0xFF);
  return text + ").";
}

void fatal(ExitStatus status, std::string message) { throw Ending{status, std::move(message)}; }

bool Console::tryFlushOut() {
  if (outFailed_) {
    out_.clear();
    return false;
  }
  const int error = out_.empty() ? 0 : writeOutBytes(out_);
  out_.clear();
  if (error == 0) return true;
  outFailed_ = true;
  std::string message = "Can't write to standard output: ";
  message += std::strerror(error);
  message += '\n';
  writeErr(message);
  return false;
}

void Console::flushOut() {
  if (!tryFlushOut()) fatal(ExitStatus::WriteError, "");
}

void Console::reportLine(std::string_view message) {
  flushOut();
  std::string line(message);
  line += '\n';
  writeErr(line);
}

int SystemConsole::writeOutBytes(std::string_view text) { return writeAll(STDOUT_FILENO, text); }

void SystemConsole::writeErr(std::string_view text) { writeAll(STDERR_FILENO, text); }

int MemoryConsole::writeOutBytes(std::string_view text) {
  out_.append(text);
  combined_.append(text);
  return 0;
}

void MemoryConsole::writeErr(std::string_view text) {
  err_.append(text);
  combined_.append(text);
}

int writeEnding(Console& console, const Ending& ending) {
  console.tryFlushOut();
  if (!ending.message.empty()) {
    std::string line = ending.message;
    line += '\n';
    console.writeErrRaw(line);
  }
  return static_cast<int>(ending.status);
}

int finishRun(Console& console, ExitStatus status) {
  return static_cast<int>(console.tryFlushOut() ? status : ExitStatus::WriteError);
}

}  // namespace weft
