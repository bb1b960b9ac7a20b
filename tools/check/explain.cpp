#include "explain.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/data_file.h"
#include "driver/run.h"
#include "generate/generation_observer.h"
#include "json.h"
#include "report.h"
#include "stats.h"
#include "support/clock.h"
#include "support/engine.h"

namespace weft::check {

namespace {

// At most this many dice of one roll are listed; the rest are counted.
constexpr std::size_t kDiceShown = 20;

PickFacts pickFacts(const DataFile& file, const Pick& pick) {
  const Table& table = file.table(pick.table);
  const std::size_t index = table.runAt(pick.position);
  std::uint64_t first = 0;
  for (std::size_t i = 0; i < index; ++i) first += table.run(i).count;
  return {file.filename(),
          pick.line,
          pick.table,
          pick.position,
          drawsOfPositions(table.size(), first, first + table.run(index).count),
          std::string(pick.entry)};
}

// Records the steps of each line as generation tells them, and cuts what
// weft writes after each line it prints.
class Explainer final : public GenerationObserver {
 public:
  explicit Explainer(Explanation& explanation) : explanation_(explanation) {
    explanation_.parts.emplace_back();
  }

  void lineStarted(const DataFile& file) override {
    if (!levels_.empty()) add(ExplainStep::Kind::Enter, file.filename());
    levels_.emplace_back();
  }

  void picked(const DataFile& file, const Pick& pick) override {
    Level& level = levels_.back();
    if (level.picked) {
      level.pick = pickFacts(file, pick);
      return;
    }
    level.picked = true;
    add(ExplainStep::Kind::Pick, file.filename()).pick = pickFacts(file, pick);
  }

  void rolled(const DataFile&, const Roll& roll) override {
    levels_.back().roll = RollFacts{std::string(roll.expression),
                                    roll.read,
                                    {roll.dice.begin(), roll.dice.end()},
                                    roll.modifier,
                                    roll.total,
                                    roll.seed};
  }

  void replaced(const DataFile& file, const ReferenceStep& step) override {
    Level& level = levels_.back();
    ExplainStep& added = add(ExplainStep::Kind::Reference, file.filename());
    added.reference = step.kind;
    added.inner = step.inner;
    added.text = step.replacement;
    added.resolved = step.resolved;
    added.listed = level.listed;
    if (step.resolved) added.pick = std::move(level.pick);
    added.roll = std::move(level.roll);
    level.pick.reset();
    level.roll.reset();
    level.listed = 0;
  }

  void lineFinished(const DataFile& file, std::string_view line) override {
    if (!levels_.back().picked) add(ExplainStep::Kind::EmptyTable, file.filename());
    levels_.pop_back();
    if (!levels_.empty()) {
      add(ExplainStep::Kind::Leave, file.filename()).text = line;
      ++levels_.back().listed;
    } else {
      lineDone_ = true;
    }
  }

  // Called with everything weft writes, in order. A finished line's part
  // ends with the write that ends that line.
  void written(std::string_view text) {
    explanation_.parts.back().written.append(text);
    if (lineDone_ && !text.empty() && text.back() == '\n') {
      explanation_.parts.emplace_back();
      lineDone_ = false;
    }
  }

 private:
  struct Level {
    bool picked = false;
    std::optional<PickFacts> pick;  // of the table reference being resolved
    std::optional<RollFacts> roll;  // of the dice reference being resolved
    std::size_t listed = 0;         // listed files left since the last reference
  };

  ExplainStep& add(ExplainStep::Kind kind, const std::string& file) {
    std::vector<ExplainStep>& steps = explanation_.parts.back().steps;
    ExplainStep& step = steps.emplace_back();
    step.kind = kind;
    step.depth = static_cast<int>(levels_.size());
    step.file = file;
    return step;
  }

  Explanation& explanation_;
  std::vector<Level> levels_;
  bool lineDone_ = false;
};

std::string describePick(const PickFacts& pick) {
  std::string where = pick.file;
  where += pick.line == 0 ? " (a prefix joined to a suffix)" : " line " + std::to_string(pick.line);
  return where + ", table " + std::to_string(pick.table) + ", chance " +
         percentText(static_cast<double>(pick.draws) / kDrawRange);
}

std::string describeRoll(const RollFacts& roll) {
  std::string text;
  if (!roll.read) {
    text = "not a dice expression, so weft wrote \"Didn't grok\" and the roll is 0";
  } else {
    text = "rolled";
    if (roll.dice.empty()) text += " no dice";
    for (std::size_t i = 0; i < roll.dice.size() && i < kDiceShown; ++i) {
      text += (i == 0 ? " " : " + ") + std::to_string(roll.dice[i]);
    }
    if (roll.dice.size() > kDiceShown) {
      text += " + ... (" + std::to_string(roll.dice.size()) + " dice)";
    }
    if (roll.modifier != 0) {
      text += roll.modifier > 0 ? ", +" : ", ";
      text += std::to_string(roll.modifier);
    }
  }
  return text + "; the random numbers start again from seed " + std::to_string(roll.seed);
}

// How a reference's replacement came about.
std::string describeReference(const ExplainStep& step) {
  std::string how;
  switch (step.reference) {
    case ReferenceTarget::Kind::Dice:
      how = describeRoll(*step.roll);
      break;
    case ReferenceTarget::Kind::Table:
      how = step.resolved ? "picked " + describePick(*step.pick)
                          : "no such table, so weft wrote \"Invalid table referenced\"";
      break;
    case ReferenceTarget::Kind::Name:
      if (!step.resolved) {
        how = "no listed file has this name";
      } else if (step.listed > 1) {
        how = "the line of the last of the " + std::to_string(step.listed) +
              " listed files of this name, in lower case";
      } else {
        how = "the line of the listed file, in lower case";
      }
      break;
  }
  if (!step.resolved) {
    how += step.text.empty() ? "; none has resolved before it, so nothing takes its place"
                             : "; the last replacement takes its place again";
  }
  std::string text = "(";
  text += step.inner;
  text += ") -> " + check::quoted(step.text) + ": " + how;
  return text;
}

std::string describeStep(const ExplainStep& step) {
  switch (step.kind) {
    case ExplainStep::Kind::Pick:
      return "picked " + describePick(*step.pick) + ": " + check::quoted(step.pick->entry);
    case ExplainStep::Kind::Enter:
      return "enters listed file " + step.file;
    case ExplainStep::Kind::Leave:
      return "leaves " + step.file + " with " + check::quoted(step.text);
    case ExplainStep::Kind::EmptyTable:
      return "table 0 of " + step.file + " is empty, so the line is empty";
    case ExplainStep::Kind::Reference:
      break;
  }
  return describeReference(step);
}

// weft's console, both streams going to the explainer as they are written.
class ExplainConsole final : public Console {
 public:
  explicit ExplainConsole(Explainer& explainer) : explainer_(explainer) {}

 protected:
  int writeOutBytes(std::string_view text) override {
    explainer_.written(text);
    return 0;
  }
  void writeErr(std::string_view text) override { explainer_.written(text); }

 private:
  Explainer& explainer_;
};

// Reads a clock second: an optional sign and decimal digits, within the
// clock's 64-bit range.
bool readSecond(std::string_view text, std::int64_t& second) {
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), second);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// Runs weft over `args` at `second` and records what it writes and how.
Explanation explainRun(std::vector<char*>& args, std::int64_t second, FileSystem& files) {
  Explanation explanation;
  explanation.second = second;
  Explainer explainer(explanation);
  ExplainConsole weftConsole(explainer);
  FixedClock clock(second);
  Engine engine(weftConsole, files, clock);
  engine.generationObserver = &explainer;
  try {
    explanation.status = finishRun(
        weftConsole,
        static_cast<ExitStatus>(runWeft(static_cast<int>(args.size() - 1), args.data(), engine)));
  } catch (const Ending& ending) {
    explanation.status = writeEnding(weftConsole, ending);
    explanation.ending = ending.message;
  }
  if (explanation.parts.back().written.empty() && explanation.parts.back().steps.empty()) {
    explanation.parts.pop_back();
  }
  return explanation;
}

}  // namespace

std::string describeExplanation(const Explanation& explanation) {
  std::string out;
  for (const ExplainedPart& part : explanation.parts) {
    out += part.written;
    for (const ExplainStep& step : part.steps) {
      out.append(2 * static_cast<std::size_t>(step.depth), ' ');
      out += describeStep(step);
      out += '\n';
    }
  }
  if (explanation.ending) out += "  " + endingWords(explanation) + "\n";
  return out;
}

std::string stepWords(const ExplainStep& step) { return describeStep(step); }

std::string endingWords(const Explanation& explanation) {
  return "the run ends here, with exit status " + std::to_string(explanation.status);
}

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
