#include "generate/expand.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "datafile/data_file.h"
#include "generate/author_case.h"
#include "generate/dice.h"
#include "generate/generation_observer.h"
#include "generate/listed_files.h"
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

[[gnu::always_inline]] inline LevelBuffers& levelBuffers(ExpansionState& state) {
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
  WorkingText(std::string_view text, std::string& front, std::string& buffer, std::string& spare)
      : front_(front), buffer_(buffer), spare_(spare) {
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
    ReferenceSpan span;
    return nextReference(inner, span);
  }

  // The same, setting `span` to where the reference stands in the rest.
  bool nextReference(std::string_view& inner, ReferenceSpan& span) {
    const std::string_view rest = this->rest();
    span = findReference(rest);
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

  // Moves on as a text of the same length, with its parentheses at the same
  // places, moved when nextReference() found `span`: the line in the
  // author's case follows the folded line so.
  void follow(const ReferenceSpan& span) {
    const std::string_view rest = this->rest();
    front_.append(rest.substr(0, span.open));
    if (span.open == std::string_view::npos) {
      start_ = buffer_.size();
      return;
    }
    start_ += span.open;
    if (span.found()) referenceLength_ = span.close - span.open + 1;
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

// The line in the author's case that an expansion carries along: the text
// it starts from and where it is written.
struct AuthorText {
  std::string_view text;
  std::string& out;
};

// The author's working text, moved as weft's is moved, with the author's
// replacement of each reference spliced where weft splices its own. Holds
// nothing when no line in the author's case is made.
class AuthorWorking {
 public:
  AuthorWorking(AuthorText* author, LevelBuffers& buffers) {
    if (author != nullptr) {
      text_.emplace(author->text, author->out, buffers.authorRest, buffers.authorSpare);
    }
  }
  explicit operator bool() const { return text_.has_value(); }
  void follow(const ReferenceSpan& span) {
    if (text_) text_->follow(span);
  }
  // Sets the replacement that the next splice puts in.
  void replaceBy(std::string_view replacement) { replacement_ = replacement; }
  // Splices it where weft splices `weftReplacement`. Both have the same
  // length by construction; should they not, weft's takes its place rather
  // than lose step.
  void splice(std::string_view weftReplacement) {
    if (!text_) return;
    if (replacement_.size() != weftReplacement.size()) replacement_ = weftReplacement;
    text_->splice(replacement_);
  }
  void finish() {
    if (text_) text_->finish();
  }

 private:
  std::optional<WorkingText> text_;
  std::string_view replacement_;
};

// What weft's own expansion holds in place of the author's working text.
struct NoAuthor {
  NoAuthor(AuthorText* /*author*/, LevelBuffers& /*buffers*/) {}
};

// The expansion of one text that holds a reference. Made twice: the general
// form tells a generation observer, if one is installed, every step, and
// carries the line in the author's case along when `author` is given; in the
// other form nothing of either is left. Everything is inlined into its
// callers, so that weft's line costs what it cost before observers existed.
template <bool kGeneral>
class Expansion {
 public:
  Expansion(Engine& engine, const DataFile& file, AuthorText* author = nullptr)
      : engine_(engine),
        file_(file),
        budget_(engine.expansion),
        buffers_(levelBuffers(engine.expansion)),
        author_(author, buffers_) {}

  // Replaces the references of `text`, leftmost first, and writes the result
  // to `out` (and the author's line in step with it).
  [[gnu::always_inline]] void run(std::string_view text, std::string& out) {
    const std::size_t maxBytes = engine_.limits.maxTextBytes;
    WorkingText working(text, out, buffers_.rest, buffers_.spare);
    std::string_view inner;
    [[maybe_unused]] ReferenceSpan span{};
    while (kGeneral ? working.nextReference(inner, span) : working.nextReference(inner)) {
      if constexpr (kGeneral) author_.follow(span);
      spendSteps(engine_, file_, 1);
      spendWork(engine_, file_, inner.size());
      const ReferenceTarget target = classifyReference(inner);
      [[maybe_unused]] bool resolved = true;
      if (target.kind == ReferenceTarget::Kind::Dice) {
        roll(target.dice);
      } else if (target.kind == ReferenceTarget::Kind::Table) {
        resolved = pick(target.table, working);
      } else {
        resolved = generateListed(inner);
      }
      if constexpr (kGeneral) {
        if (GenerationObserver* const observer = engine_.generationObserver) {
          observer->replaced(file_, {target.kind, inner, replacement_, resolved});
        }
      }
      spendWork(engine_, file_, replacement_.size());
      working.splice(replacement_);
      if constexpr (kGeneral) author_.splice(replacement_);
      if (working.size() > maxBytes) {
        tooLong(file_, "the line grew beyond " + std::to_string(maxBytes) + " bytes");
      }
    }
    working.finish();
    if constexpr (kGeneral) author_.finish();
  }

 private:
  // Rolls the dice of `expression`; their total, in digits, replaces.
  [[gnu::always_inline]] void roll(std::string_view expression) {
    Dice dice(engine_, expression);
    // Count the dice before rolling them, so that a count of two billion
    // ends the run at once instead of after minutes of drawing.
    if (dice.count() > 0) spendSteps(engine_, file_, static_cast<std::uint64_t>(dice.count()));
    std::int32_t total;
    if constexpr (kGeneral) {
      total = engine_.generationObserver != nullptr ? rollTelling(dice, expression) : dice.roll();
    } else {
      total = dice.roll();
    }
    const auto written = std::to_chars(digits_, digits_ + sizeof digits_, total);
    replacement_ = std::string_view(digits_, static_cast<std::size_t>(written.ptr - digits_));
    if constexpr (kGeneral) author_.replaceBy(replacement_);
  }

  std::int32_t rollTelling(Dice& dice, std::string_view expression) {
    std::vector<std::int32_t> faces;
    const std::int32_t total = dice.rollShowing(faces);
    DiceParts parts{};
    const bool read = readDiceExpression(expression, parts);
    const auto modifier = static_cast<std::uint32_t>(dice.modifier());
    engine_.generationObserver->rolled(
        file_, {expression, read, faces,
                static_cast<std::int32_t>(dice.positive() ? modifier : 0u - modifier), total,
                dice.seed()});
    return total;
  }

  // Picks an entry of table `number`, which replaces. Returns false for a
  // number out of range, which keeps the replacement as it was; an empty
  // table ends the run.
  [[gnu::always_inline]] bool pick(std::int32_t number, const WorkingText& working) {
    if (!isTableNumber(number)) {
      reportForLine(engine_, file_, "Invalid table referenced: " + working.whole());
      return false;
    }
    const Table& picked = file_.table(number);
    if (picked.empty()) {
      fatal(ExitStatus::ZeroLengthTable, "Zero length table referenced: " + working.whole());
    }
    const std::uint64_t position = engine_.random.nextRandom() % picked.size();
    replacement_ = picked.entryAt(position);
    if constexpr (kGeneral) {
      if (GenerationObserver* const observer = engine_.generationObserver) {
        observer->picked(file_,
                         {number, position, replacement_, picked.runLine(picked.runAt(position))});
      }
      if (author_) author_.replaceBy(file_.authorTable(number).entryAt(position));
    }
    return true;
  }

  // Every listed file named `name` generates; the last one's line, in lower
  // case, replaces. Returns false when none is named so.
  [[gnu::always_inline]] bool generateListed(std::string_view name) {
    const DataFile* const last = visitListedFiles(
        file_, name, [this](const DataFile& subfile) { generateSubfile(subfile); });
    if (last == nullptr) return false;
    lowerListedLine(buffers_.subfileLine);
    replacement_ = buffers_.subfileLine;
    if constexpr (kGeneral) author_.replaceBy(buffers_.subfileAuthorLine);
    return true;
  }

  [[gnu::always_inline]] void generateSubfile(const DataFile& subfile) {
    if constexpr (kGeneral) {
      if (author_) {
        generateKeepingCase(engine_, subfile, buffers_.subfileLine, buffers_.subfileAuthorLine,
                            AuthorCase::Listed);
        return;
      }
    }
    subfile.generateInto(engine_, buffers_.subfileLine);
  }

  Engine& engine_;
  const DataFile& file_;
  LineBudgetScope budget_;
  LevelBuffers& buffers_;
  // The line in the author's case, in step with weft's (general form only).
  [[no_unique_address]] std::conditional_t<kGeneral, AuthorWorking, NoAuthor> author_;
  // Set by every reference that resolves; one that does not repeats it. It
  // shows a table's entry where it is stored, the digits below, or the last
  // listed file's line, each of which stays put until the next resolve.
  std::string_view replacement_;
  char digits_[16];
};

// The general expansion, kept out of the way of weft's.
[[gnu::noinline, gnu::cold]] void expandGeneral(Engine& engine, const DataFile& file,
                                                std::string_view text, std::string& out,
                                                AuthorText* author) {
  Expansion<true>(engine, file, author).run(text, out);
}

}  // namespace

void expandInto(Engine& engine, const DataFile& file, std::string_view text, std::string& out) {
  // Most entries hold no reference at all.
  if (!findReference(text).found()) {
    out.assign(text);
    return;
  }
  if (engine.generationObserver != nullptr) [[unlikely]] {
    expandGeneral(engine, file, text, out, nullptr);
  } else {
    Expansion<false>(engine, file).run(text, out);
  }
}

void expandKeepingCase(Engine& engine, const DataFile& file, std::string_view text,
                       std::string_view author, std::string& out, std::string& authorOut) {
  // The author's text is the same bytes but for case; one of another length
  // could not follow the splices.
  if (author.size() != text.size()) author = text;
  if (!findReference(text).found()) {
    out.assign(text);
    authorOut.assign(author);
    return;
  }
  AuthorText work{author, authorOut};
  expandGeneral(engine, file, text, out, &work);
}

std::string expandReferences(Engine& engine, const DataFile& file, std::string text) {
  std::string out;
  expandInto(engine, file, text, out);
  return out;
}

}  // namespace weft
