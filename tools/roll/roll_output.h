// The ways weft-roll shows its lines: for the terminal, Markdown for notes,
// CSV and JSON.
#pragma once

#include <memory>
#include <string_view>

#include "roll/line_roller.h"
#include "roll_command.h"
#include "support/console.h"

namespace weft::roll {

// Writes lines on standard output as they come, in one format.
class LineWriter {
 public:
  virtual ~LineWriter() = default;
  // Called once before the first line and once after the last.
  virtual void begin() {}
  virtual void end() {}
  // Writes `rolled`, a line of the data file named `file`.
  virtual void line(std::string_view file, const RolledLine& rolled) = 0;
};

// Returns the writer of `command`'s format, writing to `console`; `files` is
// how many data files are rolled (a table shows the file when several are).
std::unique_ptr<LineWriter> makeWriter(const RollCommand& command, Console& console,
                                       std::size_t files);

// Returns the line to show: in the author's case when it was kept.
std::string_view shownLine(const RolledLine& rolled);

}  // namespace weft::roll
