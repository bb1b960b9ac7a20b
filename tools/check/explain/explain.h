// weft-check --explain=SECOND: runs weft as it would run at that clock
// second and says how each line it prints was made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "roll/line_steps.h"
#include "support/console.h"
#include "support/file_system.h"

namespace weft::check {

// What weft wrote, in order, cut after each line it printed, with the steps
// that made that line.
struct ExplainedPart {
  std::string written;  // both streams, as a terminal shows them
  std::vector<LineStep> steps;
};

struct Explanation {
  std::int64_t second = 0;
  std::vector<ExplainedPart> parts;
  // weft's exit status, and the message of a run that ended on a problem.
  int status = 1;
  std::optional<std::string> ending;
};

// Runs weft's own driver over `args` (ended by a null pointer), reading the
// files of `files` with the clock held at `second`, and records what weft
// writes on both of its streams, in the order written, each generated line
// with the steps that made it.
Explanation explainRun(std::vector<char*>& args, std::int64_t second, FileSystem& files);

}  // namespace weft::check
