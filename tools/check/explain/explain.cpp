#include "explain/explain.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datafile/data_file.h"
#include "driver/run.h"
#include "generate/generation_observer.h"
#include "odds/draws.h"
#include "support/clock.h"
#include "support/engine.h"

namespace weft::check {

namespace {

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

}  // namespace

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

}  // namespace weft::check
