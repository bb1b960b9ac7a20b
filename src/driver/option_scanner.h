// Reads options from a command line in the manner of the classic Unix
// option scanner: grouped flags, arguments in the same or the next element,
// "--" ending the options, and operands either permuted behind the options
// or, when the environment holds _POSIX_OPTION_ORDER, ending them.
#pragma once

#include <string_view>

#include "support/console.h"

namespace weft {

class OptionScanner {
 public:
  enum class Ordering { Permute, RequireOrder };

  // Scans `argv[1..argc)` for the option letters of `optionString` (a letter
  // followed by ":" takes an argument). The elements are reordered in place.
  // Messages go to `console`'s standard error.
  OptionScanner(int argc, char** argv, std::string_view optionString, Console& console);

  // Returns the next option letter, '?' for an unrecognised letter or a
  // missing argument (after writing a message on standard error), or -1 when
  // the options are over; the operands are then argv[optionIndex()..argc).
  int nextOption();

  // The argument of the last option that takes one; it points into argv.
  const char* optionArgument() const { return optionArgument_; }
  int optionIndex() const { return optionIndex_; }
  Ordering ordering() const { return ordering_; }

 private:
  // Moves the options read since the skipped operands in front of them.
  void moveSkippedOperands();
  bool isOperand(int index) const;
  void reportUnrecognized(char letter) const;

  Console& console_;
  Ordering ordering_;
  const char* optionArgument_ = nullptr;
  int optionIndex_ = 1;
  int argc_;
  char** argv_;
  std::string_view optionString_;
  const char* nextOptionChar_ = nullptr;
  int firstSkipped_ = 1;
  int lastSkipped_ = 1;
};

// Returns true when an environment variable named `name` exists, whatever its
// value; the name is compared without regard to letter case.
bool environmentHas(std::string_view name);

}  // namespace weft
