#include "generate/expand.h"

#include <algorithm>
#include <string_view>

#include "datafile/data_file.h"
#include "generate/dice.h"
#include "support/ascii.h"
#include "support/console.h"
#include "support/numbers.h"
#include "support/random_source.h"

namespace weft {

namespace {

struct LineBudget {
  int depth = 0;  // nesting of LineBudgetScope: generate re-enters for listed files
  std::uint64_t steps = 0;
  std::uint64_t diagnosticBytes = 0;
};

LineBudget& lineBudget() {
  static LineBudget budget;
  return budget;
}

[[noreturn]] void tooLong(const DataFile& file, const std::string& why) {
  fatal(ExitStatus::ExpansionTooLong, "Expansion too long in " + file.filename() + ": " + why);
}

void spendSteps(const DataFile& file, std::uint64_t steps) {
  LineBudget& budget = lineBudget();
  const std::uint64_t limit = expansionLimits().maxSteps;
  if (steps > limit - std::min(budget.steps, limit)) {
    tooLong(file, "more than " + std::to_string(limit) + " steps in one line");
  }
  budget.steps += steps;
}

void reportForLine(const DataFile& file, const std::string& message) {
  LineBudget& budget = lineBudget();
  budget.diagnosticBytes += message.size() + 1;
  if (budget.diagnosticBytes > expansionLimits().maxDiagnosticBytes) {
    tooLong(file, "more than " + std::to_string(expansionLimits().maxDiagnosticBytes) +
                      " bytes of diagnostics in one line");
  }
  reportLine(message);
}

// The working text of one expansion, kept as a finished front, which holds no
// "(" and so never changes again, and the rest behind it, stored reversed so
// that putting a replacement in front of the rest costs only its own length.
class WorkingText {
 public:
  explicit WorkingText(const std::string& text) : rest_(text.rbegin(), text.rend()) {}

  // Moves the text in front of the first "(" to the finished front. Returns
  // the inner text of the reference that starts there, or false when no ")"
  // follows the "(" (then the text holds no reference).
  bool nextReference(std::string& inner) {
    while (!rest_.empty() && rest_.back() != '(') {
      front_.push_back(rest_.back());
      rest_.pop_back();
    }
    if (rest_.empty()) return false;
    const std::size_t close = rest_.rfind(')');
    if (close == std::string::npos) return false;
    inner.assign(rest_.rbegin() + 1, rest_.rend() - static_cast<std::ptrdiff_t>(close));
    closeAt_ = close;
    return true;
  }

  // Replaces the reference found last by `replacement`.
  void splice(std::string_view replacement) {
    rest_.resize(closeAt_);
    rest_.append(replacement.rbegin(), replacement.rend());
  }

  std::size_t size() const { return front_.size() + rest_.size(); }

  std::string whole() const {
    std::string text = front_;
    text.append(rest_.rbegin(), rest_.rend());
    return text;
  }

 private:
  std::string front_;
  std::string rest_;
  std::size_t closeAt_ = 0;
};

}  // namespace

ExpansionLimits& expansionLimits() {
  static ExpansionLimits limits;
  return limits;
}

LineBudgetScope::LineBudgetScope() {
  LineBudget& budget = lineBudget();
  if (budget.depth++ == 0) {
    budget.steps = 0;
    budget.diagnosticBytes = 0;
  }
}

LineBudgetScope::~LineBudgetScope() { --lineBudget().depth; }

std::string expandReferences(const DataFile& file, std::string text) {
  // Most entries hold no reference at all.
  const std::size_t open = text.find('(');
  if (open == std::string::npos || text.find(')', open + 1) == std::string::npos) return text;

  WorkingText working(text);
  std::string inner;
  std::string replacement;
  const std::size_t maxBytes = expansionLimits().maxTextBytes;
  while (working.nextReference(inner)) {
    spendSteps(file, 1);
    if (const std::size_t random = inner.find("random"); random != std::string::npos) {
      Dice dice(std::string_view(inner).substr(random + 6));
      if (dice.count() > 0) spendSteps(file, static_cast<std::uint64_t>(dice.count()));
      replacement = std::to_string(dice.roll());
    } else if (const std::size_t table = inner.find("table"); table != std::string::npos) {
      const std::int32_t number = readDecimal(std::string_view(inner).substr(table + 5));
      if (number < 0 || number >= TABLE_COUNT) {
        reportForLine(file, "Invalid table referenced: " + working.whole());
      } else {
        const Table& picked = file.table(number);
        if (picked.empty()) {
          fatal(ExitStatus::ZeroLengthTable, "Zero length table referenced: " + working.whole());
        }
        replacement = picked.entryAt(randomSource().nextRandom() % picked.size());
      }
    } else {
      for (const DataFile& subfile : file.subfiles()) {
        if (subfile.filename() != inner) continue;
        replacement = subfile.generate();
        foldToLower(replacement);
      }
    }
    working.splice(replacement);
    if (working.size() > maxBytes) {
      tooLong(file, "the line grew beyond " + std::to_string(maxBytes) + " bytes");
    }
  }
  return working.whole();
}

}  // namespace weft
