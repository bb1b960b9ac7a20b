#include "explain.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/data_file.h"
#include "driver/run.h"
#include "generate/generation_observer.h"
#include "stats.h"
#include "support/clock.h"
#include "support/engine.h"

namespace weft::check {

namespace {

// At most this many dice of one roll are listed; the rest are counted.
constexpr std::size_t kDiceShown = 20;

std::string quoted(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  result += '"';
  result += text;
  result += '"';
  return result;
}

// Where a picked entry stands and how likely the pick was: the chance of its
// entry line, all of whose positions the draw could have hit.
std::string describePick(const DataFile& file, const Pick& pick) {
  const Table& table = file.table(pick.table);
  const std::size_t index = table.runAt(pick.position);
  std::uint64_t first = 0;
  for (std::size_t i = 0; i < index; ++i) first += table.run(i).count;
  const std::uint64_t draws = drawsOfPositions(table.size(), first, first + table.run(index).count);
  std::string where = file.filename();
  where += pick.line == 0 ? " (a prefix joined to a suffix)" : " line " + std::to_string(pick.line);
  return where + ", table " + std::to_string(pick.table) + ", chance " +
         percentText(static_cast<double>(draws) / kDrawRange);
}

std::string describeRoll(const Roll& roll) {
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

// Writes how each line is made, step by step, as generation tells it, and
// keeps it until weft has written the line itself.
class Explainer final : public GenerationObserver {
 public:
  void lineStarted(const DataFile& file) override {
    if (!levels_.empty()) note("enters listed file " + file.filename());
    levels_.emplace_back();
  }

  void picked(const DataFile& file, const Pick& pick) override {
    Level& level = levels_.back();
    if (level.picked) {
      level.detail = describePick(file, pick);
      return;
    }
    level.picked = true;
    note("picked " + describePick(file, pick) + ": " + quoted(pick.entry));
  }

  void rolled(const DataFile&, const Roll& roll) override {
    levels_.back().detail = describeRoll(roll);
  }

  void replaced(const DataFile&, const ReferenceStep& step) override {
    Level& level = levels_.back();
    std::string how;
    switch (step.kind) {
      case ReferenceTarget::Kind::Dice:
        how = level.detail;
        break;
      case ReferenceTarget::Kind::Table:
        how = step.resolved ? "picked " + level.detail
                            : "no such table, so weft wrote \"Invalid table referenced\"";
        break;
      case ReferenceTarget::Kind::Name:
        if (!step.resolved) {
          how = "no listed file has this name";
        } else if (level.listedLines > 1) {
          how = "the line of the last of the " + std::to_string(level.listedLines) +
                " listed files of this name, in lower case";
        } else {
          how = "the line of the listed file, in lower case";
        }
        break;
    }
    if (!step.resolved) {
      how += step.replacement.empty() ? "; none has resolved before it, so nothing takes its place"
                                      : "; the last replacement takes its place again";
    }
    std::string text = "(";
    text += step.inner;
    text += ") -> " + quoted(step.replacement) + ": " + how;
    note(text);
    level.detail.clear();
    level.listedLines = 0;
  }

  void lineFinished(const DataFile& file, std::string_view line) override {
    if (!levels_.back().picked) {
      note("table " + std::to_string(file.currentTable()) + " of " + file.filename() +
           " is empty, so the line is empty");
    }
    levels_.pop_back();
    if (!levels_.empty()) {
      note("leaves " + file.filename() + " with " + quoted(line));
      ++levels_.back().listedLines;
    } else {
      lineDone_ = true;
    }
  }

  // Called with everything weft writes, in order. The explanation of a
  // finished line follows the write that ends that line.
  void written(std::string_view text) {
    transcript_.append(text);
    if (lineDone_ && !text.empty() && text.back() == '\n') {
      transcript_ += pending_;
      pending_.clear();
      lineDone_ = false;
    }
  }

  // Ends the transcript of a run that ends on a problem: the steps of the
  // line that ended it, then the status.
  void endedEarly(ExitStatus status) {
    transcript_ += pending_;
    pending_.clear();
    levels_.clear();
    transcript_ +=
        "  the run ends here, with exit status " + std::to_string(static_cast<int>(status)) + "\n";
  }

  const std::string& transcript() const { return transcript_; }

 private:
  struct Level {
    bool picked = false;
    std::string detail;           // the pick or roll of the reference being resolved
    std::size_t listedLines = 0;  // listed files left since the last reference
  };

  void note(const std::string& text) {
    pending_.append(2 * levels_.size(), ' ');
    pending_ += text;
    pending_ += '\n';
  }

  std::vector<Level> levels_;
  std::string pending_;
  std::string transcript_;
  bool lineDone_ = false;
};

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
  // weft's own command line: its name, then every other element.
  static char weftName[] = "weft";
  std::vector<char*> args{weftName};
  for (int i = 1; i < argc; ++i) {
    if (i >= index && i < index + skip) continue;
    const std::string_view element = argv[i];
    if (element == "--format=json" || element == "-j") {
      console.writeErrRaw(std::string(program) + ": --explain writes text only\n");
      return 2;
    }
    if (element != "--format=text") args.push_back(argv[i]);
  }
  args.push_back(nullptr);

  Explainer explainer;
  ExplainConsole weftConsole(explainer);
  FixedClock clock(second);
  Engine engine(weftConsole, files, clock);
  engine.generationObserver = &explainer;
  int status = 0;
  try {
    finishRun(weftConsole, static_cast<ExitStatus>(
                               runWeft(static_cast<int>(args.size() - 1), args.data(), engine)));
  } catch (const Ending& ending) {
    writeEnding(weftConsole, ending);
    explainer.endedEarly(ending.status);
    status = 2;
  }
  console.writeOut(explainer.transcript());
  console.flushOut();
  return status;
}

}  // namespace weft::check
