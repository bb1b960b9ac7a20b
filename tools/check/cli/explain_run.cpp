#include "cli/explain_run.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "explain/explain.h"
#include "output/explain_text.h"
#include "output/json.h"

namespace weft::check {

namespace {

// Reads a clock second: an optional sign and decimal digits, within the
// clock's 64-bit range.
bool readSecond(std::string_view text, std::int64_t& second) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), second);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

int explainOptionIndex(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view element = argv[i];
    if (element == "--") break;
    if (element == "--explain" || element.substr(0, 10) == "--explain=") return i;
  }
  return 0;
}

int runExplain(int argc, char** argv, int index, Console& console, FileSystem& files) {
  const char* program = argv[0] != nullptr ? argv[0] : "weft-check";
  const std::string_view option = argv[index];
  std::string_view value;
  int skip = 1;
  if (option == "--explain") {
    if (index + 1 < argc) value = argv[index + 1];
    skip = 2;
  } else {
    value = option.substr(10);
  }
  std::int64_t second = 0;
  if (!readSecond(value, second)) {
    console.writeErrRaw(std::string(program) + ": --explain needs a clock second, a whole number " +
                        "from -9223372036854775808 to 9223372036854775807\n");
    return 2;
  }
  // weft's own command line: its name, then every other element but the
  // report's format.
  static char weftName[] = "weft";
  std::vector<char*> args{weftName};
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    if (i >= index && i < index + skip) continue;
    std::string_view element = argv[i];
    if (element == "-j") element = "--format=json";
    if (element == "--format" && i + 1 < argc)
      element = argv[++i];
    else if (element.substr(0, 9) == "--format=")
      element.remove_prefix(9);
    else {
      args.push_back(argv[i]);
      continue;
    }
    if (element != "json" && element != "text") {
      console.writeErrRaw(std::string(program) + ": unknown format \"" + std::string(element) +
                          "\" (the formats are text and json)\n");
      return 2;
    }
    json = element == "json";
  }
  args.push_back(nullptr);

  const Explanation explanation = explainRun(args, second, files);
  console.writeOut(json ? jsonExplanation(explanation) : describeExplanation(explanation));
  console.flushOut();
  return explanation.ending ? 2 : 0;
}

}  // namespace weft::check
