// The one file of weft-roll that includes weft-check's headers.
#include "check_words.h"

#include "explain/explain.h"
#include "generate/pick_draws.h"
#include "output/explain_text.h"
#include "output/json.h"

namespace weft::roll {

namespace {

check::PickFacts pickFacts(const StepPick& pick) {
  return {pick.file, pick.line, pick.table, pick.position, pickDraws(pick), pick.entry};
}

check::ExplainStep explainStep(const LineStep& step) {
  check::ExplainStep out;
  out.kind = static_cast<check::ExplainStep::Kind>(static_cast<int>(step.kind));
  out.depth = step.depth;
  out.file = step.file;
  if (step.pick) out.pick = pickFacts(*step.pick);
  if (step.roll) {
    const StepRoll& roll = *step.roll;
    out.roll = check::RollFacts{roll.expression, roll.read,  roll.dice,
                                roll.modifier,   roll.total, roll.seed};
  }
  out.reference = step.reference;
  out.inner = step.inner;
  out.text = step.text;
  out.resolved = step.resolved;
  out.listed = step.listed;
  return out;
}

}  // namespace

static_assert(static_cast<int>(LineStep::Kind::Reference) ==
              static_cast<int>(check::ExplainStep::Kind::Reference));

std::vector<std::string> stepWords(const std::vector<LineStep>& steps) {
  check::Explanation explanation;
  check::ExplainedPart& part = explanation.parts.emplace_back();
  for (const LineStep& step : steps) part.steps.push_back(explainStep(step));
  const std::string text = check::describeExplanation(explanation);
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

std::uint64_t pickDraws(const StepPick& pick) {
  return drawsOfPositions(pick.tableSize, pick.runFirst, pick.runFirst + pick.runCount);
}

std::string jsonString(std::string_view bytes) { return check::jsonString(bytes); }

}  // namespace weft::roll
