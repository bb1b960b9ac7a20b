#include "generate/expand.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

#include "datafile/data_file.h"
#include "generate/dice.h"
#include "support/ascii.h"
#include "support/console.h"
#include "support/numbers.h"
#include "support/random_source.h"

namespace weft {

namespace {

// What one line has spent of its limits so far.
struct LineBudget {
  int depth = 0;  // nested expansions: generate re-enters for listed files
  std::uint64_t steps = 0;
  std::uint64_t diagnosticBytes = 0;
  std::uint64_t workBytes = 0;
};

LineBudget& lineBudget() {
  static LineBudget budget;
  return budget;
}

// Opens the budget of a line for the outermost expansion; nested expansions
// spend from the same one. Unwinds cleanly when a fuzzer's fatal throws.
class LineBudgetScope {
 public:
  LineBudgetScope() {
    LineBudget& budget = lineBudget();
    if (budget.depth++ == 0) {
      budget.steps = 0;
      budget.diagnosticBytes = 0;
      budget.workBytes = 0;
    }
  }
  ~LineBudgetScope() { --lineBudget().depth; }
  LineBudgetScope(const LineBudgetScope&) = delete;
  LineBudgetScope& operator=(const LineBudgetScope&) = delete;
};

[[noreturn]] void tooLong(const DataFile& file, const std::string& why) {
  fatal(ExitStatus::ExpansionTooLong, "Expansion too long in " + file.filename() + ": " + why);
}

// Adds `amount` to `spent`, ending the run when that passes `limit`.
void spend(const DataFile& file, std::uint64_t& spent, std::uint64_t amount, std::uint64_t limit,
           const char* what) {
  if (amount > limit - std::min(spent, limit)) {
    tooLong(file, "more than " + std::to_string(limit) + " " + what + " in one line");
  }
  spent += amount;
}

void spendSteps(const DataFile& file, std::uint64_t steps) {
  spend(file, lineBudget().steps, steps, expansionLimits().maxSteps, "steps");
}

void spendWork(const DataFile& file, std::uint64_t bytes) {
  spend(file, lineBudget().workBytes, bytes, expansionLimits().maxWorkBytes,
        "bytes of references and replacements");
}

void reportForLine(const DataFile& file, const std::string& message) {
  spend(file, lineBudget().diagnosticBytes, message.size() + 1,
        expansionLimits().maxDiagnosticBytes, "bytes of diagnostics");
  reportLine(message);
}

// The working text of one expansion, kept as a finished front, which holds no
// "(" and so never changes again, and the rest behind it. The rest sits at the
// end of a buffer with free room in front of it, so that putting a
// replacement in front of the rest costs only the replacement's length (the
// room is renewed, at least as large as the rest, when it runs out). Each pass
// thus costs about the length of its reference and its replacement, not that
// of the whole text, and allocates nothing once the buffers have grown.
class WorkingText {
 public:
  explicit WorkingText(std::string text) : buffer_(std::move(text)) {}

  // Moves the text in front of the first "(" to the finished front. Returns
  // true and the inner text of the reference that starts there (up to the
  // first ")" behind it, both excluded), or false when no ")" follows the
  // "(", so that the text holds no reference. The inner text stays valid
  // until the next splice.
  bool nextReference(std::string_view& inner) {
    const std::string_view rest = this->rest();
    const std::size_t open = rest.find('(');
    front_.append(rest.substr(0, open));
    if (open == std::string_view::npos) {
      start_ = buffer_.size();
      return false;
    }
    start_ += open;
    const std::size_t close = rest.find(')', open + 1);
    if (close == std::string_view::npos) return false;
    inner = rest.substr(open + 1, close - open - 1);
    referenceLength_ = close - open + 1;
    return true;
  }

  // Replaces the reference found last, parentheses included, by `replacement`.
  void splice(std::string_view replacement) {
    start_ += referenceLength_;
    referenceLength_ = 0;
    if (replacement.size() > start_) {
      const std::size_t restSize = buffer_.size() - start_;
      std::string renewed(std::max(replacement.size(), restSize), '\0');
      renewed.append(buffer_, start_, restSize);
      buffer_.swap(renewed);
      start_ = buffer_.size() - restSize;
    }
    start_ -= replacement.size();
    replacement.copy(buffer_.data() + start_, replacement.size());
  }

  std::size_t size() const { return front_.size() + (buffer_.size() - start_); }

  std::string whole() const {
    std::string text = front_;
    text.append(rest());
    return text;
  }

 private:
  std::string_view rest() const { return std::string_view(buffer_).substr(start_); }

  std::string front_;
  std::string buffer_;     // free room, then the rest from start_ on
  std::size_t start_ = 0;  // where the rest begins; a found reference begins here
  std::size_t referenceLength_ = 0;
};

}  // namespace

ExpansionLimits& expansionLimits() {
  static ExpansionLimits limits;
  return limits;
}

std::string expandReferences(const DataFile& file, std::string text) {
  // Most entries hold no reference at all.
  const std::size_t open = text.find('(');
  if (open == std::string::npos || text.find(')', open + 1) == std::string::npos) return text;

  LineBudgetScope budget;
  const std::size_t maxBytes = expansionLimits().maxTextBytes;
  WorkingText working(std::move(text));
  std::string_view inner;
  // Set by every reference that resolves; one that does not repeats it.
  std::string replacement;
  while (working.nextReference(inner)) {
    spendSteps(file, 1);
    spendWork(file, inner.size());
    if (const std::size_t random = inner.find("random"); random != std::string_view::npos) {
      Dice dice(inner.substr(random + 6));
      // Count the dice before rolling them, so that a count of two billion
      // ends the run at once instead of after minutes of drawing.
      if (dice.count() > 0) spendSteps(file, static_cast<std::uint64_t>(dice.count()));
      replacement = std::to_string(dice.roll());
    } else if (const std::size_t table = inner.find("table"); table != std::string_view::npos) {
      // A number too large for 32 bits saturates, and so is out of range.
      const std::int32_t number = readDecimal(inner.substr(table + 5));
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
      // Every listed file of that name generates; the last one's line is kept.
      for (const DataFile& subfile : file.subfiles()) {
        if (subfile.filename() != inner) continue;
        replacement = subfile.generate();
        foldToLower(replacement);
      }
    }
    spendWork(file, replacement.size());
    working.splice(replacement);
    if (working.size() > maxBytes) {
      tooLong(file, "the line grew beyond " + std::to_string(maxBytes) + " bytes");
    }
  }
  return working.whole();
}

}  // namespace weft
