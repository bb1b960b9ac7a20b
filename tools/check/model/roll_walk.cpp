#include "model/roll_walk.h"

#include <limits>
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "generate/listed_files.h"
#include "generate/pick_draws.h"
#include "generate/reference.h"
#include "support/random_source.h"
#include "support/settings.h"

namespace weft::check {

namespace {

constexpr std::uint64_t kDraws = kDrawRange;  // equally likely values of one draw
constexpr std::size_t kNoReference = std::numeric_limits<std::size_t>::max();

// Text that holds no parenthesis stands for good in front of every "(" once
// it is spliced in, so only whether some stands there matters: the walk puts
// this in its place.
constexpr char kPlain = 'x';

// Where a byte of a working text came from.
struct Origin {
  std::size_t reference;  // the entry's reference that brought it in
  std::int32_t source;    // index of the run it stands in; -1 for kPlain
  std::uint32_t offset;   // in that run's text
};

struct Source {
  const DataFile* file;
  int table;
  std::size_t run;
};

// One expansion under way: the entry's line, or a listed file's line that a
// reference in it makes.
struct Frame {
  const DataFile* file = nullptr;
  // The working text from its first "(" on; what stands in front holds no
  // "(" and never changes again, so only whether there is any is kept.
  std::string rest;
  std::vector<Origin> origins;
  bool front = false;
  // What a reference that does not resolve repeats.
  std::string replacement;
  std::vector<Origin> replacementOrigins;
  // A listed file's line: the reference of the entry it answers, and the
  // files of the same name that make their lines after this one.
  std::size_t reference = kNoReference;
  std::vector<const DataFile*> later;
  bool emptyTable = false;  // the listed file's table is empty: its line is empty, silently
};

struct State {
  std::vector<Frame> frames;
  double chance = 1;
  bool reseeded = false;       // a roll has been made in this line
  std::uint32_t position = 0;  // draws since the last roll
  std::uint32_t passes = 0;
  std::vector<PickedDraw> picks;
  std::vector<WalkedRoll> rolls;
};

// One choice of a pick from a table: a run whose text holds a parenthesis
// (or is empty), or all the runs of plain text together.
struct Choice {
  std::vector<std::pair<std::uint64_t, std::uint64_t>> positions;
  std::uint64_t draws = 0;         // of the kDraws draws, those that make it
  std::size_t run = kNoReference;  // the run whose text replaces; none for plain text
};

void setText(Frame& frame, std::string_view text, std::vector<Origin> origins) {
  const std::size_t open = text.find('(');
  if (open == std::string_view::npos) {
    frame.front = frame.front || !text.empty();
    frame.rest.clear();
    frame.origins.clear();
    return;
  }
  frame.front = frame.front || open > 0;
  frame.rest.assign(text.substr(open));
  frame.origins.assign(origins.begin() + static_cast<std::ptrdiff_t>(open), origins.end());
}

// Follows the ways through one entry's line, each state of the walk until
// it finishes, ends weft's run or splits at a pick into the states of its
// choices.
class Walker {
 public:
  Walker(const DataFile& file, const WalkLimits& limits,
         const std::function<void(const WalkedPath&)>& visit)
      : file_(file), limits_(limits), visit_(visit) {}

  WalkResult run(int table, std::size_t run) {
    const std::string_view text = file_.table(table).run(run).text;
    const std::int32_t source = sourceOf(file_, table, run);
    std::vector<Origin> origins(text.size(), Origin{kNoReference, source, 0});
    for (std::uint32_t i = 0; i < text.size(); ++i) origins[i].offset = i;
    // The bytes of each reference as parseEntry() counts them.
    std::size_t start = 0;
    for (std::size_t k = 0;; ++k) {
      const ReferenceSpan span = findReference(text.substr(start));
      if (!span.found()) break;
      for (std::size_t i = start + span.open; i <= start + span.close; ++i)
        origins[i].reference = k;
      start += span.close + 1;
    }
    State first;
    first.frames.emplace_back();
    first.frames.back().file = &file_;
    setText(first.frames.back(), text, std::move(origins));
    stack_.push_back(std::move(first));
    std::size_t states = 0;
    while (!stack_.empty() && !cut_) {
      if (++states > limits_.states) return WalkResult{false, states, work_};
      State state = std::move(stack_.back());
      stack_.pop_back();
      follow(state);
    }
    return WalkResult{!cut_, states, work_};
  }

 private:
  void spend(std::uint64_t bytes) {
    work_ += bytes + 1;
    if (work_ > limits_.work) cut_ = true;
  }

  std::int32_t sourceOf(const DataFile& file, int table, std::size_t run) {
    const auto key = std::make_tuple(&file, table, run);
    const auto [it, added] = sourceIndex_.emplace(key, static_cast<std::int32_t>(sources_.size()));
    if (added) sources_.push_back(Source{&file, table, run});
    return it->second;
  }

  // Resolves references of `state` until it finishes, ends the run, is cut
  // short or splits.
  void follow(State& state) {
    while (!cut_) {
      Frame& frame = state.frames.back();
      const ReferenceSpan span = findReference(frame.rest);
      if (!span.found()) {
        if (!finishFrame(state)) return;
        continue;
      }
      if (++state.passes > limits_.passes) {
        cut_ = true;
        return;
      }
      const std::string_view inner = span.inner(frame.rest);
      const std::size_t reference = frame.origins[span.open].reference;
      const ReferenceTarget target = classifyReference(inner);
      if (target.kind == ReferenceTarget::Kind::Dice) {
        if (!roll(state, target.dice)) return;
        Frame& rolled = state.frames.back();
        rolled.replacement.assign(1, kPlain);
        rolled.replacementOrigins.assign(1, Origin{reference, -1, 0});
        splice(state, span);
      } else if (target.kind == ReferenceTarget::Kind::Table && isTableNumber(target.table)) {
        const DataFile& file = *frame.file;
        if (file.table(target.table).empty()) return;  // weft ends the run
        if (!pick(state, file, target.table, reference, false)) return;
      } else if (target.kind == ReferenceTarget::Kind::Name) {
        const Listed listed = startListed(state, inner);
        if (listed == Listed::Ended) return;
        if (listed == Listed::None) splice(state, span);  // repeats the last replacement
      } else {
        splice(state, span);  // repeats the last replacement
      }
    }
  }

  // Rolls the dice of `expression`: the reseed starts the draws again.
  // Returns false when weft ends the run on its count of dice.
  bool roll(State& state, std::string_view expression) {
    DiceParts parts{};
    const bool reads = readDiceExpression(expression, parts);
    const std::int64_t count = reads ? parts.count : 0;
    if (count > static_cast<std::int64_t>(ExpansionLimits{}.maxSteps)) return false;
    state.reseeded = true;
    state.position = count > 0 ? static_cast<std::uint32_t>(count) : 0;
    const Frame& frame = state.frames.back();
    const Origin& at = frame.origins.front();
    if (reads && comparableDice(parts) && at.source >= 0 && at.reference != kNoReference) {
      const Source& source = sources_[static_cast<std::size_t>(at.source)];
      state.rolls.push_back(WalkedRoll{
          at.reference, RollSite{source.file, source.table, source.run, at.offset}, parts});
      if (state.rolls.size() > limits_.rolls) cut_ = true;
    }
    return !cut_;
  }

  // Puts the frame's replacement in place of its first reference.
  void splice(State& state, const ReferenceSpan& span) {
    Frame& frame = state.frames.back();
    std::string text = frame.replacement;
    text.append(frame.rest, span.close + 1);
    std::vector<Origin> origins = frame.replacementOrigins;
    origins.insert(origins.end(),
                   frame.origins.begin() + static_cast<std::ptrdiff_t>(span.close + 1),
                   frame.origins.end());
    spend(text.size());
    if (text.size() > limits_.textBytes) cut_ = true;
    setText(frame, text, std::move(origins));
  }

  // The choices of a pick from table `number` of `file`, made once.
  const std::vector<Choice>& choicesOf(const DataFile& file, int number) {
    const auto key = std::make_pair(&file, number);
    if (const auto it = choices_.find(key); it != choices_.end()) return it->second;
    const Table& table = file.table(number);
    std::vector<Choice> choices;
    Choice plain;
    std::uint64_t first = 0;
    for (std::size_t i = 0; i < table.runCount(); ++i) {
      const Table::Run run = table.run(i);
      const std::uint64_t end = first + run.count;
      const std::uint64_t draws = drawsOfPositions(table.size(), first, end);
      const bool isPlain = !run.text.empty() && run.text.find_first_of("()") == std::string::npos;
      if (draws > 0) {
        Choice& choice = isPlain ? plain : choices.emplace_back();
        choice.positions.emplace_back(first, end);
        choice.draws += draws;
        if (!isPlain) choice.run = i;
      }
      first = end;
    }
    if (plain.draws > 0) choices.push_back(std::move(plain));
    return choices_.emplace(key, std::move(choices)).first->second;
  }

  // Picks from table `number` of `file`: for a reference of the entry's
  // `reference` when `line` is false, else as a listed file's line starts.
  // The state takes one choice and goes on; the others are stacked. Returns
  // false when the table offers no choice.
  bool pick(State& state, const DataFile& file, int number, std::size_t reference, bool line) {
    const std::vector<Choice>& choices = choicesOf(file, number);
    if (choices.empty()) return false;
    const Table& table = file.table(number);
    for (std::size_t c = choices.size(); c-- > 0;) {
      State child;
      if (c == 0) {
        child = std::move(state);
      } else {
        child = state;
        for (const Frame& frame : child.frames) spend(frame.rest.size() + frame.replacement.size());
      }
      const Choice& choice = choices[c];
      if (child.reseeded) {
        child.picks.push_back(PickedDraw{child.position, table.size(), choice.positions});
        ++child.position;
      } else {
        child.chance *= static_cast<double>(choice.draws) / kDraws;
      }
      std::string_view text(&kPlain, 1);
      std::vector<Origin> origins{Origin{reference, -1, 0}};
      if (choice.run != kNoReference) {
        text = table.run(choice.run).text;
        origins.assign(text.size(), Origin{reference, sourceOf(file, number, choice.run), 0});
        for (std::uint32_t i = 0; i < text.size(); ++i) origins[i].offset = i;
      }
      Frame& frame = child.frames.back();
      if (line) {
        setText(frame, text, std::move(origins));
      } else {
        frame.replacement.assign(text);
        frame.replacementOrigins = std::move(origins);
        splice(child, findReference(frame.rest));
      }
      if (c == 0) {
        state = std::move(child);
      } else {
        stack_.push_back(std::move(child));
      }
    }
    return true;
  }

  enum class Listed { None, Going, Ended };

  // Starts the lines of the listed files a reference names: None when it
  // names none, so that it repeats the last replacement.
  Listed startListed(State& state, std::string_view name) {
    const Frame& frame = state.frames.back();
    // A listed file's copy has no listed files of its own, and neither has
    // a file that is itself listed when weft generates from it.
    if (state.frames.size() == 1 && frame.file->parent() != nullptr) return Listed::None;
    std::vector<const DataFile*> files;
    visitListedFiles(*frame.file, name, [&files](const DataFile& f) { files.push_back(&f); });
    if (files.empty()) return Listed::None;
    const std::size_t reference = frame.origins.front().reference;
    Frame listed;
    listed.reference = reference;
    listed.later.assign(files.begin() + 1, files.end());
    listed.file = files.front();
    state.frames.push_back(std::move(listed));
    return startLine(state) ? Listed::Going : Listed::Ended;
  }

  // Makes the first pick of the listed file on top. Returns false when the
  // state ended.
  bool startLine(State& state) {
    Frame& frame = state.frames.back();
    const DataFile& file = *frame.file;
    if (file.table(file.currentTable()).empty()) {
      frame.emptyTable = true;  // an empty line at once, with no draw
      return true;
    }
    return pick(state, file, file.currentTable(), frame.reference, true);
  }

  // Ends the expansion on top, whose text holds no reference any more.
  // Returns false when the state is done with.
  bool finishFrame(State& state) {
    Frame& frame = state.frames.back();
    const bool empty = !frame.front && frame.rest.empty();
    if (state.frames.size() == 1) {
      if (!empty && state.rolls.size() >= 2) {
        visit_(WalkedPath{state.chance, std::move(state.rolls), std::move(state.picks)});
      }
      return false;
    }
    if (empty && !frame.emptyTable) return false;  // "Zero length string": weft ends the run
    if (!frame.later.empty()) {
      Frame next;
      next.file = frame.later.front();
      next.reference = frame.reference;
      next.later.assign(frame.later.begin() + 1, frame.later.end());
      frame = std::move(next);
      return startLine(state);
    }
    std::string line(frame.front ? 1 : 0, kPlain);
    std::vector<Origin> origins;
    if (frame.front) origins.push_back(Origin{frame.reference, -1, 0});
    line += frame.rest;
    origins.insert(origins.end(), frame.origins.begin(), frame.origins.end());
    state.frames.pop_back();
    Frame& below = state.frames.back();
    below.replacement = std::move(line);
    below.replacementOrigins = std::move(origins);
    splice(state, findReference(below.rest));
    return true;
  }

  const DataFile& file_;
  const WalkLimits& limits_;
  const std::function<void(const WalkedPath&)>& visit_;
  std::vector<State> stack_;
  std::vector<Source> sources_;
  std::map<std::tuple<const DataFile*, int, std::size_t>, std::int32_t> sourceIndex_;
  std::map<std::pair<const DataFile*, int>, std::vector<Choice>> choices_;
  std::uint64_t work_ = 0;
  bool cut_ = false;
};

}  // namespace

WalkResult walkEntry(const DataFile& file, int table, std::size_t run, const WalkLimits& limits,
                     const std::function<void(const WalkedPath&)>& visit) {
  return Walker(file, limits, visit).run(table, run);
}

}  // namespace weft::check
