// The two output streams and the ways a run ends. Standard output is buffered
// and flushed after every generated line; standard error carries one-line
// diagnostics and always flushes standard output first, so that on a shared
// console both appear in the order in which they were written.
#pragma once

#include <string>
#include <string_view>

namespace weft {

// Exit statuses of the run, as passed to the process's exit. A platform that
// keeps 8 bits reports -2 as 254, and so on.
enum class ExitStatus : int {
  Normal = 1,                // the run reached its end (1, not 0)
  CantRead = -2,             // a data file or listed file cannot be read
  ZeroLengthString = -3,     // a generated line is empty
  CantChangeDirectory = -4,  // a "%chdir:" directive failed
  NoStartDirectory = -5,     // the starting directory could not be read
  ZeroLengthTable = -6,      // a table reference names an empty table
  InvalidInput = -7,         // a bad -n, or "table" in a file-list line
  FileListLoop = -8,         // a file list leads back to a file being loaded
  FileListTooDeep = -9,      // file lists nested, or loaded files, beyond the limit
  ExpansionTooLong = -10,    // a line's expansion exceeded its limits
  WriteError = -11,          // standard output could not be written
  OutOfMemory = -12,         // data files asked for more memory than there is
};

// Returns what a run that ended with `status` did, in words, with the status
// as a shell shows it: "weft ended normally (exit status 1)." or "weft
// stopped: a bad -n, ... (exit status -7, shown by a shell as 249)."
std::string exitStatusText(int status);

// A problem that ends the run: its status and the diagnostic that reports it
// (empty when it has been reported already). Loading and generation throw it
// from fatal(); only a front end catches it, and turns it into its own
// output, as weft's driver does with writeEnding().
struct Ending {
  ExitStatus status;
  std::string message;
};

// Ends the work in progress on a problem by throwing an Ending. Everything
// between here and the front end holds only scoped state, which unwinds.
[[noreturn]] void fatal(ExitStatus status, std::string message);

// Standard output and standard error of one run. The buffer of standard
// output is the console's own; where the bytes go is the subclass's.
class Console {
 public:
  virtual ~Console() = default;

  // Appends `text` to standard output's buffer.
  void writeOut(std::string_view text) {
    if (!outFailed_) out_.append(text);
  }

  // Writes standard output's buffer out. On a write error the error is
  // reported once on standard error, further output is discarded, and the
  // run ends with ExitStatus::WriteError.
  void flushOut();

  // The same, but returns false on a write error instead of ending the run.
  bool tryFlushOut();

  // Writes `message` and a line feed on standard error, after flushing
  // standard output.
  void reportLine(std::string_view message);

  // Writes `text` on standard error as it is, without flushing standard
  // output.
  void writeErrRaw(std::string_view text) { writeErr(text); }

 protected:
  // Writes all of `text` to standard output; returns 0, or the errno value
  // of the write that failed.
  virtual int writeOutBytes(std::string_view text) = 0;
  virtual void writeErr(std::string_view text) = 0;

 private:
  std::string out_;
  bool outFailed_ = false;
};

// The process's standard output and standard error, descriptors 1 and 2.
class SystemConsole final : public Console {
 protected:
  int writeOutBytes(std::string_view text) override;
  void writeErr(std::string_view text) override;
};

// A console that keeps what is written, for tests and for front ends that
// show a run's output themselves.
class MemoryConsole final : public Console {
 public:
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  // Both streams in the order written.
  const std::string& combined() const { return combined_; }
  void clear() { out_.clear(), err_.clear(), combined_.clear(); }

 protected:
  int writeOutBytes(std::string_view text) override;
  void writeErr(std::string_view text) override;

 private:
  std::string out_;
  std::string err_;
  std::string combined_;
};

// What weft writes when a run ends on `ending`: standard output is flushed
// (a write error there is reported, but the ending keeps its own message and
// status), then the ending's message, if any, on standard error. Returns the
// status to end the process with.
int writeEnding(Console& console, const Ending& ending);

// Flushes standard output at the normal end of a run. Returns `status`, or
// ExitStatus::WriteError when standard output cannot be written.
int finishRun(Console& console, ExitStatus status);

}  // namespace weft
