// weft-roll's command line.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "roll/line_roller.h"
#include "roll/roll_lines.h"

namespace weft::roll {

enum class Format { Text, Markdown, Csv, Json };

struct RollCommand {
  std::size_t lines = 1;           // -n
  bool seconds = false;            // --seconds
  bool unique = false;             // --unique
  bool steps = false;              // --steps
  std::optional<std::int64_t> at;  // --at
  std::vector<std::size_t> keep;   // --keep, step numbers from 1
  Format format = Format::Text;
  RollSettings settings;  // -m, -s, --keep-case
  RollBudget budget;      // --tries, --time-limit
  std::vector<std::string> files;
};

// What reading the command line came to: a command to run, or a status to
// exit with at once (0 after --help or --version, 2 after bad usage), with
// what to write first on standard output or standard error.
struct ParsedCommand {
  std::optional<RollCommand> command;
  int status = 0;
  std::string out;
  std::string err;
};

// Reads `argv` with GNU-style options (getopt_long: short options grouped,
// long options with "=" or the next element, "--" ends them).
ParsedCommand parseCommand(int argc, char** argv);

// Reads a list of step numbers such as "2", "1,4" or "2-5": each from 1 up.
// Returns false for anything else.
bool readStepList(const std::string& text, std::vector<std::size_t>& steps);

}  // namespace weft::roll
