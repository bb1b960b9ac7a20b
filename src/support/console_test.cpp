#include "support/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <string_view>

namespace weft {
namespace {

// Points standard output and standard error at one file for the life of the
// object, as on a shared console, and gives back what both wrote.
class SharedConsole {
 public:
  SharedConsole() {
    std::snprintf(path_, sizeof path_, "/tmp/weft-console-XXXXXX");
    fd_ = ::mkstemp(path_);
    savedOut_ = ::dup(STDOUT_FILENO);
    savedErr_ = ::dup(STDERR_FILENO);
    ::dup2(fd_, STDOUT_FILENO);
    ::dup2(fd_, STDERR_FILENO);
  }
  ~SharedConsole() {
    restore();
    ::close(fd_);
    ::unlink(path_);
  }
  SharedConsole(const SharedConsole&) = delete;
  SharedConsole& operator=(const SharedConsole&) = delete;

  std::string text() {
    restore();
    std::string out;
    char buffer[256];
    for (ssize_t n; (n = ::pread(fd_, buffer, sizeof buffer, static_cast<off_t>(out.size()))) > 0;)
      out.append(buffer, static_cast<std::size_t>(n));
    return out;
  }

 private:
  void restore() {
    if (savedOut_ < 0) return;
    ::dup2(savedOut_, STDOUT_FILENO);
    ::dup2(savedErr_, STDERR_FILENO);
    ::close(savedOut_);
    ::close(savedErr_);
    savedOut_ = savedErr_ = -1;
  }

  char path_[32];
  int fd_ = -1;
  int savedOut_ = -1;
  int savedErr_ = -1;
};

TEST(ConsoleTest, ADiagnosticComesAfterTheOutputWrittenBeforeIt) {
  SharedConsole console;
  writeOut("first line\n");
  reportLine("a notice");
  writeOut("second line\n");
  flushOut();
  EXPECT_EQ("first line\na notice\nsecond line\n", console.text());
}

struct Ended {
  ExitStatus status;
  std::string message;
};

TEST(ConsoleTest, AnInstalledFatalHandlerTakesTheProblemInstead) {
  setFatalHandler([](ExitStatus status, std::string_view message) {
    throw Ended{status, std::string(message)};
  });
  SharedConsole console;
  try {
    fatal(ExitStatus::ZeroLengthTable, "Zero length table referenced: x");
    ADD_FAILURE() << "fatal returned";
  } catch (const Ended& ended) {
    EXPECT_EQ(ExitStatus::ZeroLengthTable, ended.status);
    EXPECT_EQ("Zero length table referenced: x", ended.message);
  }
  setFatalHandler(nullptr);
  EXPECT_EQ("", console.text());
}

TEST(ConsoleDeathTest, WithoutAHandlerFatalWritesAndExits) {
  EXPECT_EXIT(
      {
        writeOut("pending\n");
        fatal(ExitStatus::CantRead, "Can't read x.dat");
      },
      testing::ExitedWithCode(static_cast<int>(ExitStatus::CantRead) & 0xFF), "Can't read x.dat");
}

}  // namespace
}  // namespace weft
