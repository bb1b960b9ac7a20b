#include "output/explain_text.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "output/odds_text.h"
#include "support/random_source.h"
#include "text/quoting.h"

namespace weft::check {

namespace {

// At most this many dice of one roll are listed; the rest are counted.
constexpr std::size_t kDiceShown = 20;

std::string describePick(const StepPick& pick) {
  std::string where = pick.file;
  where += pick.line == 0 ? " (a prefix joined to a suffix)" : " line " + std::to_string(pick.line);
  return where + ", table " + std::to_string(pick.table) + ", chance " +
         percentText(static_cast<double>(pick.draws()) / kDrawRange);
}

std::string describeRoll(const StepRoll& roll) {
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
std::string describeReference(const LineStep& step) {
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

}  // namespace

std::string stepWords(const LineStep& step) {
  switch (step.kind) {
    case LineStep::Kind::Pick:
      return "picked " + describePick(*step.pick) + ": " + check::quoted(step.pick->entry);
    case LineStep::Kind::Enter:
      return "enters listed file " + step.file;
    case LineStep::Kind::Leave:
      return "leaves " + step.file + " with " + check::quoted(step.text);
    case LineStep::Kind::EmptyTable:
      return "table 0 of " + step.file + " is empty, so the line is empty";
    case LineStep::Kind::Reference:
      break;
  }
  return describeReference(step);
}

std::string describeExplanation(const Explanation& explanation) {
  std::string out;
  for (const ExplainedPart& part : explanation.parts) {
    out += part.written;
    for (const LineStep& step : part.steps) out += stepLine(step) + '\n';
  }
  if (explanation.ending) out += "  " + endingWords(explanation) + "\n";
  return out;
}

std::string stepLine(const LineStep& step, std::string_view label) {
  std::string line(2 * static_cast<std::size_t>(step.depth), ' ');
  line += label;
  return line + stepWords(step);
}

std::string endingWords(const Explanation& explanation) {
  return "the run ends here, with exit status " + std::to_string(explanation.status);
}

}  // namespace weft::check
