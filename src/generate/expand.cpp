#include "generate/expand.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "datafile/data_file.h"
#include "generate/dice.h"
#include "generate/generation_observer.h"
#include "generate/reference.h"
#include "support/ascii.h"
#include "support/console.h"
#include "support/numbers.h"

namespace weft {

namespace {

// Opens the budget of a line for the outermost expansion; nested expansions
// spend from the same one. Unwinds cleanly when an Ending is thrown.
class LineBudgetScope {
 public:
  explicit LineBudgetScope(ExpansionState& state) : state_(state) {
    if (state_.depth++ == 0) {
      state_.steps = 0;
      state_.diagnosticBytes = 0;
      state_.workBytes = 0;
    }
  }
  ~LineBudgetScope() { --state_.depth; }
  LineBudgetScope(const LineBudgetScope&) = delete;
  LineBudgetScope& operator=(const LineBudgetScope&) = delete;

 private:
  ExpansionState& state_;
};

[[noreturn]] void tooLong(const DataFile& file, const std::string& why) {
  fatal(ExitStatus::ExpansionTooLong, "Expansion too long in " + file.filename() + ": " + why);
}

[[noreturn, gnu::noinline, gnu::cold]] void overspent(const DataFile& file, std::uint64_t limit,
                                                      const char* what) {
  tooLong(file, "more than " + std::to_string(limit) + " " + what + " in one line");
}

// Adds `amount` to `spent`, ending the run when that passes `limit`. Runs a
// few times per reference, so only the check stays here and the message is
// built out of line.
inline void spend(const DataFile& file, std::uint64_t& spent, std::uint64_t amount,
                  std::uint64_t limit, const char* what) {
  if (amount > limit - std::min(spent, limit)) [[unlikely]] {
    overspent(file, limit, what);
  }
  spent += amount;
}

inline void spendSteps(Engine& engine, const DataFile& file, std::uint64_t steps) {
  spend(file, engine.expansion.steps, steps, engine.limits.maxSteps, "steps");
}

inline void spendWork(Engine& engine, const DataFile& file, std::uint64_t bytes) {
  spend(file, engine.expansion.workBytes, bytes, engine.limits.maxWorkBytes,
        "bytes of references and replacements");
}

void reportForLine(Engine& engine, const DataFile& file, const std::string& message) {
  spend(file, engine.expansion.diagnosticBytes, message.size() + 1,
        engine.limits.maxDiagnosticBytes, "bytes of diagnostics");
  engine.console.reportLine(message);
}

using LevelBuffers = ExpansionState::Level;

LevelBuffers& levelBuffers(ExpansionState& state) {
  const auto index = static_cast<std::size_t>(state.depth);
  while (state.levels.size() <= index) state.levels.push_back(std::make_unique<LevelBuffers>());
  return *state.levels[index];
}

// The working text of one expansion, kept as a finished front, which holds no
// "(" and so never changes again, and the rest behind it. The rest sits at the
// end of a buffer with free room in front of it, so that putting a
// replacement in front of the rest costs only the replacement's length (the
// room is renewed, at least as large as the rest, when it runs out). Each pass
// thus costs about the length of its reference and its replacement, not that
// of the whole text. The front is the caller's output string.
class WorkingText {
 public:
  WorkingText(std::string_view text, std::string& front, LevelBuffers& buffers)
      : front_(front), buffer_(buffers.rest), spare_(buffers.spare) {
    front_.clear();
    // Room in front as large as the text, as a renewal would leave.
    buffer_.resize(2 * text.size());
    start_ = text.size();
    text.copy(buffer_.data() + start_, text.size());
  }

  // Moves the text in front of the first "(" to the finished front. Returns
  // true and the inner text of the reference that starts there (up to the
  // first ")" behind it, both excluded), or false when no ")" follows the
  // "(", so that the text holds no reference. The inner text stays valid
  // until the next splice.
  bool nextReference(std::string_view& inner) {
    const std::string_view rest = this->rest();
    const ReferenceSpan span = findReference(rest);
    front_.append(rest.substr(0, span.open));
    if (span.open == std::string_view::npos) {
      start_ = buffer_.size();
      return false;
    }
    start_ += span.open;
    if (!span.found()) return false;
    inner = span.inner(rest);
    referenceLength_ = span.close - span.open + 1;
    return true;
  }

  // Replaces the reference found last, parentheses included, by `replacement`.
  void splice(std::string_view replacement) {
    start_ += referenceLength_;
    referenceLength_ = 0;
    if (replacement.size() > start_) {
      const std::size_t restSize = buffer_.size() - start_;
      const std::size_t room = std::max(replacement.size(), restSize);
      spare_.resize(room + restSize);
      std::copy_n(buffer_.data() + start_, restSize, spare_.data() + room);
      buffer_.swap(spare_);
      start_ = room;
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

  // Appends the rest to the front, which then holds the whole text.
  void finish() {
    front_.append(rest());
    start_ = buffer_.size();
  }

 private:
  std::string_view rest() const { return std::string_view(buffer_).substr(start_); }

  std::string& front_;
  std::string& buffer_;    // free room, then the rest from start_ on
  std::string& spare_;     // the next buffer_ when the room runs out
  std::size_t start_ = 0;  // where the rest begins; a found reference begins here
  std::size_t referenceLength_ = 0;
};

// Expands a text that holds a reference. Made twice: with a generation
// observer, telling it every step, and without one, where nothing of the
// telling is left. Inlined into its one caller, so that the line without an
// observer costs what it cost before observers existed.
template <bool kObserved>
[[gnu::always_inline]] inline void expandReferencesIn(Engine& engine, const DataFile& file,
                                                      std::string_view text, std::string& out) {
  LineBudgetScope budget(engine.expansion);
  LevelBuffers& buffers = levelBuffers(engine.expansion);
  const std::size_t maxBytes = engine.limits.maxTextBytes;
  WorkingText working(text, out, buffers);
  std::string_view inner;
  // Set by every reference that resolves; one that does not repeats it. It
  // shows a table's entry where it is stored, the digits below, or the last
  // listed file's line, each of which stays put until the next resolve.
  std::string_view replacement;
  char digits[16];
  [[maybe_unused]] GenerationObserver* const observer = engine.generationObserver;
  while (working.nextReference(inner)) {
    spendSteps(engine, file, 1);
    spendWork(engine, file, inner.size());
    const ReferenceTarget target = classifyReference(inner);
    [[maybe_unused]] bool resolved = true;
    if (target.kind == ReferenceTarget::Kind::Dice) {
      Dice dice(engine, target.dice);
      // Count the dice before rolling them, so that a count of two billion
      // ends the run at once instead of after minutes of drawing.
      if (dice.count() > 0) spendSteps(engine, file, static_cast<std::uint64_t>(dice.count()));
      std::int32_t total;
      if constexpr (!kObserved) {
        total = dice.roll();
      } else {
        std::vector<std::int32_t> faces;
        total = dice.rollShowing(faces);
        DiceParts parts{};
        const bool read = readDiceExpression(target.dice, parts);
        const auto modifier = static_cast<std::uint32_t>(dice.modifier());
        observer->rolled(
            file, {target.dice, read, faces,
                   static_cast<std::int32_t>(dice.positive() ? modifier : 0u - modifier), total,
                   dice.seed()});
      }
      const auto written = std::to_chars(digits, digits + sizeof digits, total);
      replacement = std::string_view(digits, static_cast<std::size_t>(written.ptr - digits));
    } else if (target.kind == ReferenceTarget::Kind::Table) {
      if (!isTableNumber(target.table)) {
        reportForLine(engine, file, "Invalid table referenced: " + working.whole());
        resolved = false;
      } else {
        const Table& picked = file.table(target.table);
        if (picked.empty()) {
          fatal(ExitStatus::ZeroLengthTable, "Zero length table referenced: " + working.whole());
        }
        const std::uint64_t position = engine.random.nextRandom() % picked.size();
        replacement = picked.entryAt(position);
        if constexpr (kObserved) {
          observer->picked(
              file, {target.table, position, replacement, picked.runLine(picked.runAt(position))});
        }
      }
    } else {
      resolved = false;
      // Every listed file of that name generates; the last one's line is kept.
      for (const DataFile& subfile : file.subfiles()) {
        if (subfile.filename() != inner) continue;
        subfile.generateInto(engine, buffers.subfileLine);
        foldToLower(buffers.subfileLine);
        replacement = buffers.subfileLine;
        resolved = true;
      }
    }
    if constexpr (kObserved) {
      observer->replaced(file, {target.kind, inner, replacement, resolved});
    }
    spendWork(engine, file, replacement.size());
    working.splice(replacement);
    if (working.size() > maxBytes) {
      tooLong(file, "the line grew beyond " + std::to_string(maxBytes) + " bytes");
    }
  }
  working.finish();
}

// The expansion that tells a generation observer, kept out of the way of the
// one without.
[[gnu::noinline, gnu::cold]] void expandObserved(Engine& engine, const DataFile& file,
                                                 std::string_view text, std::string& out) {
  expandReferencesIn<true>(engine, file, text, out);
}

}  // namespace

void expandInto(Engine& engine, const DataFile& file, std::string_view text, std::string& out) {
  // Most entries hold no reference at all.
  if (!findReference(text).found()) {
    out.assign(text);
    return;
  }
  if (engine.generationObserver != nullptr) [[unlikely]] {
    expandObserved(engine, file, text, out);
  } else {
    expandReferencesIn<false>(engine, file, text, out);
  }
}

std::string expandReferences(Engine& engine, const DataFile& file, std::string text) {
  std::string out;
  expandInto(engine, file, text, out);
  return out;
}

}  // namespace weft
