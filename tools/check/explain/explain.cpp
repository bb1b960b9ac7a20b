#include "explain/explain.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "driver/run.h"
#include "generate/generation_observer.h"
#include "support/clock.h"
#include "support/engine.h"

namespace weft::check {

namespace {

// Records the steps of each line with the roll layer's recorder, and cuts
// what weft writes after each line it prints, giving the part the steps of
// its line.
class Explainer final : public GenerationObserver {
 public:
  explicit Explainer(Explanation& explanation) : explanation_(explanation) {
    explanation_.parts.emplace_back();
  }

  void lineStarted(const DataFile& file) override { recorder_.lineStarted(file); }
  void picked(const DataFile& file, const Pick& pick) override { recorder_.picked(file, pick); }
  void rolled(const DataFile& file, const Roll& roll) override { recorder_.rolled(file, roll); }
  void replaced(const DataFile& file, const ReferenceStep& step) override {
    recorder_.replaced(file, step);
  }
  void lineFinished(const DataFile& file, std::string_view line) override {
    recorder_.lineFinished(file, line);
    if (!recorder_.inLine()) lineDone_ = true;
  }

  // Called with everything weft writes, in order. A finished line's part
  // ends with the write that ends that line.
  void written(std::string_view text) {
    explanation_.parts.back().written.append(text);
    if (lineDone_ && !text.empty() && text.back() == '\n') {
      keepSteps();
      explanation_.parts.emplace_back();
      lineDone_ = false;
    }
  }

  // Gives the steps recorded since the last part ended (a line's, finished
  // or not) to the part being written. No part ends while a line is made.
  void keepSteps() {
    explanation_.parts.back().steps = std::move(steps_);
    steps_.clear();
  }

 private:
  Explanation& explanation_;
  std::vector<LineStep> steps_;
  StepRecorder recorder_{steps_};
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
  explainer.keepSteps();
  if (explanation.parts.back().written.empty() && explanation.parts.back().steps.empty()) {
    explanation.parts.pop_back();
  }
  return explanation;
}

}  // namespace weft::check
