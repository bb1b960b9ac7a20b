#include "driver/option_scanner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace weft {
namespace {

constexpr const char* kVariable = "_POSIX_OPTION_ORDER";

// A mutable argument vector whose element 0 is "weft".
class Args {
 public:
  explicit Args(const std::vector<std::string>& elements) : storage_{"weft"} {
    storage_.insert(storage_.end(), elements.begin(), elements.end());
    for (std::string& element : storage_) pointers_.push_back(element.data());
    pointers_.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(storage_.size()); }
  char** argv() { return pointers_.data(); }
  // Returns the elements from `from` on, as they stand now, joined by blanks.
  std::string join(int from) const {
    std::string out;
    for (int i = from; i < argc(); ++i) out += std::string(out.empty() ? "" : " ") + pointers_[i];
    return out;
  }

 private:
  std::vector<std::string> storage_;
  std::vector<char*> pointers_;
};

struct Scan {
  std::string trace;   // e.g. "t n=5 ? | a b": results, then the operands
  std::string errors;  // what the scanner wrote on standard error
};

Scan scan(Args& args) {
  MemoryConsole console;
  OptionScanner scanner(args.argc(), args.argv(), "tdn:m:s:", console);
  std::string trace;
  for (int option; (option = scanner.nextOption()) != -1;) {
    trace += static_cast<char>(option);
    if (option == 'n' || option == 'm' || option == 's') {
      trace += std::string("=") + scanner.optionArgument();
    }
    trace += ' ';
  }
  trace += '|';
  const std::string operands = args.join(scanner.optionIndex());
  if (!operands.empty()) trace += " " + operands;
  return {trace, console.err()};
}

Scan scan(const std::vector<std::string>& elements) {
  Args args(elements);
  return scan(args);
}

class OptionScannerTest : public ::testing::Test {
 protected:
  void SetUp() override { ::unsetenv(kVariable); }
  void TearDown() override { ::unsetenv(kVariable); }
};

struct ScanCase {
  std::vector<std::string> elements;
  std::string trace;
};

TEST_F(OptionScannerTest, PermuteTakesAllOptionsAndKeepsOperandOrder) {
  const ScanCase cases[] = {
      {{}, "|"},
      {{"a", "b"}, "| a b"},
      {{"-td", "-m20", "-n", "5", "a"}, "t d m=20 n=5 | a"},
      {{"-tm", "20", "a"}, "t m=20 | a"},
      {{"-tt", "-dd"}, "t t d d |"},
      {{"a", "-n", "3", "b", "-s", "-t", "c"}, "n=3 s=-t | a b c"},
      {{"-nt"}, "n=t |"},
      {{"-n", "--", "a"}, "n=-- | a"},
      {{"--"}, "|"},
      {{"-t", "--", "-d", "b"}, "t | -d b"},
      {{"x", "-", "-t"}, "t | x -"},
      {{"a", "-s", "1", "b", "c", "-d", "--", "-t"}, "s=1 d | a b c -t"},
  };
  for (const ScanCase& c : cases) {
    Args args(c.elements);
    EXPECT_EQ(c.trace, scan(args).trace) << args.join(1);
  }
}

TEST_F(OptionScannerTest, PermuteMovesOptionsWithTheirArgumentsToTheFront) {
  Args args({"a", "-n", "3", "b", "-s", "-t", "c", "--", "-d"});
  scan(args);
  EXPECT_EQ("weft -n 3 -s -t -- a b c -d", args.join(0));
}

TEST_F(OptionScannerTest, RequireOrderStopsAtTheFirstOperand) {
  for (const char* name : {"_POSIX_OPTION_ORDER", "_posix_Option_order"}) {
    ::setenv(name, "", 1);
    const ScanCase cases[] = {
        {{"-t", "a", "--", "-d"}, "t | a -- -d"},
        {{"-t", "--", "-d"}, "t | -d"},
        {{"-n", "--", "a"}, "n=-- | a"},
        {{"-", "-t"}, "| - -t"},
    };
    for (const ScanCase& c : cases) {
      Args args(c.elements);
      EXPECT_EQ(c.trace, scan(args).trace) << name << ": " << args.join(1);
    }
    ::unsetenv(name);
  }
}

TEST_F(OptionScannerTest, Messages) {
  const struct {
    std::vector<std::string> elements;
    std::string trace;
    std::string errors;
  } cases[] = {
      {{"-xt", "a"}, "? t | a", "weft: unrecognized option `-x'\n"},
      {{"-xy"}, "? ? |", "weft: unrecognized option `-x'\nweft: unrecognized option `-y'\n"},
      {{"-?"}, "? |", "weft: unrecognized option `-?'\n"},
      {{"-:"}, "? |", "weft: unrecognized option `-:'\n"},
      {{"- "}, "? |", "weft: unrecognized option `- '\n"},
      {{"-~"}, "? |", "weft: unrecognized option `-~'\n"},
      {{"-\x1f"}, "? |", "weft: unrecognized option, character code 037\n"},
      {{"-\x1b"}, "? |", "weft: unrecognized option, character code 033\n"},
      {{"-\x7f"}, "? |", "weft: unrecognized option, character code 0177\n"},
      {{"-\xe9"}, "? |", "weft: unrecognized option, character code 037777777751\n"},
      {{"-tn"}, "t ? |", "weft: no argument for `-n' option\n"},
  };
  for (const auto& c : cases) {
    const Scan result = scan(c.elements);
    EXPECT_EQ(c.trace, result.trace) << c.errors;
    EXPECT_EQ(c.errors, result.errors);
  }
}

}  // namespace
}  // namespace weft
