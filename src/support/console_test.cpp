#include "support/console.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
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
  SharedConsole shared;
  SystemConsole console;
  console.writeOut("first line\n");
  console.reportLine("a notice");
  console.writeOut("second line\n");
  console.flushOut();
  EXPECT_EQ("first line\na notice\nsecond line\n", shared.text());
}

// A standard output that cannot be written.
class BrokenConsole final : public Console {
 public:
  std::string err;

 protected:
  int writeOutBytes(std::string_view) override { return EPIPE; }
  void writeErr(std::string_view text) override { err.append(text); }
};

TEST(ConsoleTest, AnEndingKeepsItsOwnStatusWhenOutputFails) {
  BrokenConsole console;
  console.writeOut("title: ");
  EXPECT_EQ(-6,
            writeEnding(console, {ExitStatus::ZeroLengthTable, "Zero length table referenced: x"}));
  EXPECT_EQ(std::string("Can't write to standard output: ") + std::strerror(EPIPE) +
                "\nZero length table referenced: x\n",
            console.err);
  // The error is reported once; later output is dropped, and a flush ends
  // the run with the write error, already reported.
  console.writeOut("more\n");
  try {
    console.flushOut();
    ADD_FAILURE() << "flushOut returned";
  } catch (const Ending& ending) {
    EXPECT_EQ(ExitStatus::WriteError, ending.status);
    EXPECT_EQ("", ending.message);
  }
  EXPECT_EQ(-11, finishRun(console, ExitStatus::Normal));
}

TEST(ConsoleTest, StatusesAreNamedWithTheLowByteAShellShows) {
  EXPECT_EQ("weft ended normally (exit status 1).", exitStatusText(1));
  EXPECT_EQ(
      "weft stopped: a data file could not be read (exit status -2, shown by a shell as 254).",
      exitStatusText(-2));
  EXPECT_EQ(
      "weft stopped: the data files asked for more memory than there is (exit status -12, "
      "shown by a shell as 244).",
      exitStatusText(-12));
  EXPECT_EQ("weft ended (exit status 7).", exitStatusText(7));
}

}  // namespace
}  // namespace weft
