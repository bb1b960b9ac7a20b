// The two output streams and the ways a run ends. Standard output is buffered
// and flushed after every generated line; standard error carries one-line
// diagnostics and always flushes standard output first, so that on a shared
// console both appear in the order in which they were written.
#pragma once

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

// Appends `text` to standard output's buffer.
void writeOut(std::string_view text);

// Writes standard output's buffer out. On a write error the error is reported
// once on standard error, further output is discarded, and the run ends with
// ExitStatus::WriteError.
void flushOut();

// Writes `message` and a line feed on standard error, after flushing standard
// output.
void reportLine(std::string_view message);

// Writes `text` on standard error as it is, without flushing standard output.
void writeErrRaw(std::string_view text);

// Flushes standard output and ends the process with `status`.
[[noreturn]] void endRun(ExitStatus status);

// Ends the run on a problem: calls the installed fatal handler, if any;
// when there is none, or it returns, reports `message` as by reportLine and
// ends the process with `status`.
[[noreturn]] void fatal(ExitStatus status, std::string_view message);

// What a front end does instead of ending the process on a problem, such as
// throwing back to its own loop. It receives the status and the message that
// the run would end with.
using FatalHandler = void (*)(ExitStatus status, std::string_view message);

// Installs `handler` for the problems that follow (nullptr restores the
// default: write, flush and exit).
void setFatalHandler(FatalHandler handler);

}  // namespace weft
