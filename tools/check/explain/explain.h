// weft-check --explain=SECOND: runs weft as it would run at that clock
// second and says how each line it prints was made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "generate/reference.h"
#include "support/console.h"
#include "support/file_system.h"

namespace weft::check {

// An entry drawn from a table, with the draws (of the 32768 equally likely)
// that pick its entry line.
struct PickFacts {
  std::string file;
  std::uint64_t line = 0;  // 0 for an element file's prefix joined to a suffix
  int table = 0;
  std::uint64_t position = 0;
  std::uint64_t draws = 0;
  std::string entry;
};

struct RollFacts {
  std::string expression;
  bool read = true;  // false: weft wrote "Didn't grok" and rolled 0
  std::vector<std::int32_t> dice;
  std::int32_t modifier = 0;
  std::int32_t total = 0;
  std::uint32_t seed = 0;
};

// One step of a line's making, in the order generation took it. `depth` is 1
// for the line weft prints, one more inside each listed file.
struct ExplainStep {
  enum class Kind {
    Pick,        // the entry a line starts from
    Enter,       // a reference enters a listed file
    Leave,       // the listed file gives back `text`, its line
    EmptyTable,  // the table a line is picked from is empty; the line is empty
    Reference,   // a reference replaced
  };
  Kind kind = Kind::Pick;
  int depth = 1;
  std::string file;
  std::optional<PickFacts> pick;  // Pick, and a table reference that resolved
  std::optional<RollFacts> roll;  // a dice reference
  ReferenceTarget::Kind reference = ReferenceTarget::Kind::Name;
  std::string inner;       // Reference: the text between the parentheses
  std::string text;        // Reference: the replacement; Leave: the line
  bool resolved = true;    // Reference
  std::size_t listed = 0;  // Reference to listed files: how many made a line
};

// What weft wrote, in order, cut after each line it printed, with the steps
// that made that line.
struct ExplainedPart {
  std::string written;  // both streams, as a terminal shows them
  std::vector<ExplainStep> steps;
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
