#include "odds/line_search.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <utility>
#include <vector>

#include "generate/case_rules.h"
#include "generate/dice.h"
#include "generate/listed_files.h"
#include "generate/reference.h"
#include "model/analysis.h"
#include "odds/dice_odds.h"
#include "odds/draws.h"
#include "support/ascii.h"
#include "support/random_source.h"

namespace weft::check {

namespace {

constexpr std::uint64_t kDraws = kDrawRange;  // equally likely values of one draw

// Bounds of one search, so that any data file is described in bounded time
// and memory.
struct SearchLimits {
  std::uint64_t work;      // bytes of working text handled in all
  std::size_t states;      // partial lines waiting at once
  std::size_t stateBytes;  // bytes of partial lines waiting at once
  std::size_t lines;       // distinct finished lines kept
  std::size_t textBytes;   // longest working text followed
  std::uint32_t passes;    // references resolved in one line
  std::uint64_t checks;    // tests of a draw against what is known of it, in all
};

// The search over the file named on the command line.
constexpr SearchLimits kFileLimits{.work = 20'000'000,
                                   .states = 20'000,
                                   .stateBytes = 16u << 20,
                                   .lines = 20'000,
                                   .textBytes = 16384,
                                   .passes = 10'000,
                                   .checks = 400'000'000};
// Unfinished lines followed to an end by their likeliest choices once a
// search is out of work.
constexpr std::size_t kProbes = 64;

// Listed files whose lines one search follows; the lines of others are not.
constexpr std::size_t kMaxListedFilesFollowed = 16;
// The search over each listed file a line references.
constexpr SearchLimits kListedFileLimits{.work = 5'000'000,
                                         .states = 5'000,
                                         .stateBytes = 4u << 20,
                                         .lines = 5'000,
                                         .textBytes = 16384,
                                         .passes = 10'000,
                                         .checks = 100'000'000};

// The first draws after a roll of several dice that are marked as one of its
// dice; a later draw is taken as independent of the roll.
constexpr std::int32_t kMostDiceNoted = 64;

// The clock second a line is made in, as the search sees it: any one second,
// the same for all of the line's rolls.
constexpr std::int64_t kLineSecond = 0;

// Outcomes of one draw, as probabilities of the values that come out.
using Odds = std::vector<std::pair<std::string, double>>;

// Follows every choice of the expansion of one generate call, most likely
// partial lines first, until all are finished or a limit is reached.
class Enumerator {
 public:
  Enumerator(const DataFile& file, bool subfilesResolve, const SearchLimits& limits)
      : file_(file), subfilesResolve_(subfilesResolve), limits_(limits) {}

  LineOdds run() {
    const Table& table = file_.table(0);
    if (table.empty()) {
      odds_.lines[""] = 1;  // an empty main table yields an empty text, silently
      return odds_;
    }
    // The picked entry is not a replacement: that starts out empty.
    for (const auto& [entry, p] : choicesOf(0)) push(State{p, entry, {}, 0, Draws{}, 0});
    while (!queue_.empty()) {
      // Taken out of the heap by moving: a copy would copy what is known of
      // every draw, which can cost far more than the text.
      std::pop_heap(queue_.begin(), queue_.end());
      State state = std::move(queue_.back());
      queue_.pop_back();
      waitingBytes_ -= state.text.size() + state.replacement.size();
      follow(std::move(state));
    }
    // Out of work with lines unfinished: follow the likeliest choices of a
    // few of them to their end, so that the count of lines found still
    // reaches some. Their weight was already counted as not followed.
    probing_ = true;
    workLimit_ = work_ + limits_.work / 4;
    for (State& state : probes_) {
      state.probability = 0;
      follow(std::move(state));
    }
    return std::move(odds_);
  }

 private:
  // What is known of one draw made since the line's first dice roll: the
  // choice it made for a table (by its index in choicesOf) or the face it
  // showed on one die; or that it was one of several dice, whose faces are
  // not followed one by one.
  struct Constraint {
    static constexpr int kDie = -1;
    static constexpr int kOneOfSeveralDice = -2;
    int table;              // a table number, kDie or kOneOfSeveralDice
    std::uint64_t modulus;  // kDie: the faces of the die (3 for Fudge dice)
    std::uint32_t tag;      // the choice index, or the face index r mod modulus
    bool operator<(const Constraint& o) const {
      return std::tie(table, modulus, tag) < std::tie(o.table, o.modulus, o.tag);
    }
    bool operator==(const Constraint& o) const {
      return std::tie(table, modulus, tag) == std::tie(o.table, o.modulus, o.tag);
    }
  };

  // The draws of a line after its first dice roll. Every dice reference
  // reseeds the random source with the same value (twice the clock's second),
  // so each roll starts the same sequence of draws again: the draw at
  // position k after one roll is the draw at position k after any other.
  struct Draws {
    bool reseeded = false;       // a dice reference has been rolled in this line
    bool lost = false;           // draws were made that are not followed (a listed file's)
    std::uint32_t seed = 0;      // the seed of the last roll
    std::uint32_t position = 0;  // draws made since the last roll
    // What is known of the draws, as (position since a roll, fact) in order:
    // one vector, so that copying a line's state costs one allocation here.
    std::vector<std::pair<std::uint32_t, Constraint>> known;
    // The last roll of several dice: its count, sides and the sum of its faces.
    bool rolled = false;
    std::int32_t rollCount = 0;
    std::int32_t rollSides = 0;
    std::uint32_t faceSum = 0;

    void note(std::uint32_t at, const Constraint& constraint) {
      // A line that rolls again and again makes the same draws again: what
      // is already known of a draw is not kept twice, or each repetition
      // would lengthen every later count of the draws that meet it.
      const std::pair<std::uint32_t, Constraint> fact{at, constraint};
      const auto it = std::lower_bound(known.begin(), known.end(), fact);
      if (it == known.end() || !(*it == fact)) known.insert(it, fact);
    }
    // What is known of the draw at position k; nothing, for a draw not yet
    // made since the roll.
    std::vector<Constraint> at(std::uint32_t k) const {
      std::vector<Constraint> facts;
      auto it = std::lower_bound(known.begin(), known.end(), k,
                                 [](const auto& fact, std::uint32_t p) { return fact.first < p; });
      for (; it != known.end() && it->first == k; ++it) facts.push_back(it->second);
      return facts;
    }
  };

  struct State {
    double probability;
    std::string text;
    std::string replacement;  // what a reference that does not resolve repeats
    std::uint32_t passes;
    Draws draws;
    std::uint64_t order = 0;  // when it was queued: of equally likely lines the earlier goes first
    // The queue's order is total, so that which lines a bounded search
    // reaches does not depend on how the standard library keeps its heap.
    bool operator<(const State& other) const {
      if (probability != other.probability) return probability < other.probability;
      return order > other.order;
    }
  };

  // Records in `child` what its choice `index` says of the draw that made it.
  using Recorder = std::function<void(State& child, std::size_t index)>;

  void giveUp(double probability) {
    odds_.unexplored += probability;
    odds_.complete = false;
  }

  const Odds& choicesOf(int table) {
    auto& cached = tableChoices_[static_cast<std::size_t>(table)];
    if (!cached) {
      cached.emplace();
      for (const DistinctEntry& entry : distinctEntries(file_.table(table))) {
        if (entry.draws > 0) {
          cached->emplace_back(std::string(entry.text), static_cast<double>(entry.draws) / kDraws);
        }
      }
    }
    return *cached;
  }

  // Replaces the text from `open` to `close` (the parentheses included) by
  // each choice in turn; each choice becomes the replacement as well.
  void branch(State state, std::size_t open, std::size_t close, const Odds& choices,
              const Recorder& record = {}) {
    const std::string_view text = state.text;
    const auto makeChild = [&](std::size_t index) {
      const std::pair<std::string, double>& choice = choices[index];
      State child{state.probability * choice.second,
                  std::string(text.substr(0, open)),
                  choice.first,
                  state.passes,
                  state.draws,
                  0};
      child.text += choice.first;
      if (close < text.size()) child.text += text.substr(close);
      if (record) record(child, index);
      work_ += child.text.size();
      return child;
    };
    if (queue_.size() >= limits_.states ||
        waitingBytes_ + 2 * (text.size() + choices.size()) > limits_.stateBytes) {
      // With no room left, only the likeliest child goes on, so that the
      // search still reaches finished lines without growing.
      const std::size_t likeliest = likeliestChoice(choices);
      double total = 0;
      for (const auto& choice : choices) total += choice.second;
      giveUp(state.probability * (total - choices[likeliest].second));
      enqueue(makeChild(likeliest));
      return;
    }
    for (std::size_t i = 0; i < choices.size(); ++i) {
      if (work_ > limits_.work) {
        // Making the children that cannot be kept would cost as much again.
        double rest = 0;
        for (; i < choices.size(); ++i) rest += choices[i].second;
        giveUp(state.probability * rest);
        return;
      }
      if (choices[i].second <= 0) continue;
      push(makeChild(i));
    }
  }

  // Returns the index of the likeliest of `choices` (the first of equals).
  // REQUIRES: !choices.empty()
  static std::size_t likeliestChoice(const Odds& choices) {
    std::size_t likeliest = 0;
    for (std::size_t i = 1; i < choices.size(); ++i) {
      if (choices[i].second > choices[likeliest].second) likeliest = i;
    }
    return likeliest;
  }

  // Resolves the reference from `open` to `close` of `state` by `choices`: a
  // single choice, or while probing the likeliest one, is taken in place and
  // true returned; otherwise `state` splits into every choice, or there is no
  // choice at all, and false is returned.
  bool takeOrBranch(State& state, std::size_t open, std::size_t close, const Odds& choices,
                    const Recorder& record = {}) {
    std::size_t possible = 0;
    for (const auto& choice : choices) possible += choice.second > 0 ? 1 : 0;
    if (possible == 1 || probing_) return takeLikeliest(state, open, close, choices, record);
    branch(std::move(state), open, close, choices, record);
    return false;
  }

  // Turns `state` into its likeliest child. Returns false when there is none.
  bool takeLikeliest(State& state, std::size_t open, std::size_t close, const Odds& choices,
                     const Recorder& record = {}) {
    if (choices.empty()) return false;
    const std::size_t likeliest = likeliestChoice(choices);
    state.replacement = choices[likeliest].first;
    state.text.replace(open, close - open, state.replacement);
    if (record) record(state, likeliest);
    return true;
  }

  void estimate(const State& state) {
    if (state.probability > 0) odds_.estimated = true;
  }

  // For each draw r of the 32768, the index in choicesOf(table) of the entry
  // it picks.
  const std::vector<std::uint32_t>& choiceOfDraw(int table) {
    auto& cached = drawChoices_[static_cast<std::size_t>(table)];
    if (cached.empty()) {
      const Table& t = file_.table(table);
      std::unordered_map<std::string_view, std::uint32_t> index;
      const Odds& choices = choicesOf(table);
      for (std::size_t i = 0; i < choices.size(); ++i) {
        index.emplace(choices[i].first, static_cast<std::uint32_t>(i));
      }
      cached.resize(kDraws);
      for (std::uint64_t r = 0; r < kDraws; ++r) {
        cached[r] = index.at(t.entryAt(r % t.size()));
      }
    }
    return cached;
  }

  bool satisfies(std::uint32_t r, const std::vector<Constraint>& constraints) {
    for (const Constraint& c : constraints) {
      if (c.table >= 0 && choiceOfDraw(c.table)[r] != c.tag) return false;
      if (c.table == Constraint::kDie && r % c.modulus != c.tag) return false;
    }
    return true;
  }

  // Returns how many of the draws that meet `constraints` give each value of
  // `target` (a choice index or a face), `values` values in all. Once the
  // search has tested draws against what is known of them as often as its
  // limit allows, the draw of `state` is taken as independent of the earlier
  // ones, and the odds are marked estimated.
  const std::vector<std::uint64_t>& conditionalCounts(const State& state,
                                                      const std::vector<Constraint>& constraints,
                                                      const Constraint& target,
                                                      std::size_t values) {
    std::vector<Constraint> key = constraints;
    std::sort(key.begin(), key.end());
    key.push_back(target);
    auto it = conditional_.find(key);
    if (it == conditional_.end()) {
      const std::uint64_t checks = kDraws * (constraints.size() + 1);
      if (!constraints.empty() && checks_ + checks > limits_.checks) {
        estimate(state);
        return conditionalCounts(state, {}, target, values);
      }
      checks_ += checks;
      std::vector<std::uint64_t> counts(values, 0);
      for (std::uint32_t r = 0; r < kDraws; ++r) {
        if (!satisfies(r, constraints)) continue;
        const std::uint32_t value = target.table >= 0
                                        ? choiceOfDraw(target.table)[r]
                                        : static_cast<std::uint32_t>(r % target.modulus);
        ++counts[value];
      }
      it = conditional_.emplace(std::move(key), std::move(counts)).first;
    }
    return it->second;
  }

  // Turns counts of draws into probabilities, in the order of `choices`.
  static Odds weighted(const Odds& choices, const std::vector<std::uint64_t>& counts) {
    std::uint64_t total = 0;
    for (const std::uint64_t c : counts) total += c;
    Odds result;
    for (std::size_t i = 0; i < choices.size(); ++i) {
      result.emplace_back(
          choices[i].first,
          total == 0 ? 0.0 : static_cast<double>(counts[i]) / static_cast<double>(total));
    }
    return result;
  }

  // Queues `state` if there is room for it; otherwise its weight is given up.
  void push(State state) {
    if (queue_.size() >= limits_.states ||
        waitingBytes_ + state.text.size() + state.replacement.size() > limits_.stateBytes) {
      giveUp(state.probability);
      return;
    }
    enqueue(std::move(state));
  }

  void enqueue(State state) {
    waitingBytes_ += state.text.size() + state.replacement.size();
    state.order = queued_++;
    queue_.push_back(std::move(state));
    std::push_heap(queue_.begin(), queue_.end());
  }

  void finish(State& state) {
    if (state.text.empty()) {
      odds_.emptyLine += state.probability;
      return;
    }
    applyCaseRule(state.text, file_.isElementFile());
    auto it = odds_.lines.find(state.text);
    if (it == odds_.lines.end()) {
      if (odds_.lines.size() >= limits_.lines) {
        giveUp(state.probability);
        return;
      }
      it = odds_.lines.emplace(std::move(state.text), 0.0).first;
    }
    it->second += state.probability;
  }

  struct Roll {
    std::optional<Odds> odds;          // none when there are too many totals
    std::vector<std::int32_t> totals;  // the total each of `odds` shows
    std::int32_t lowest = 0;
  };

  // Resolves the references of `state` until it is finished or a choice
  // splits it.

  // Resolves the references of `state` until it is finished or a choice
  // splits it.
  void follow(State state) {
    while (true) {
      const ReferenceSpan span = findReference(state.text);
      if (!span.found()) {
        finish(state);
        return;
      }
      work_ += state.text.size();
      if (work_ > workLimit_) {
        giveUp(state.probability);
        if (!probing_ && probes_.size() < kProbes) probes_.push_back(std::move(state));
        return;
      }
      if (++state.passes > limits_.passes || state.text.size() > limits_.textBytes) {
        giveUp(state.probability);
        return;
      }
      const std::string inner(span.inner(state.text));
      const ReferenceTarget target = classifyReference(inner);
      bool goesOn = false;
      if (target.kind == ReferenceTarget::Kind::Dice) {
        goesOn = followDice(state, span, std::string(target.dice));
      } else if (target.kind == ReferenceTarget::Kind::Table) {
        goesOn = followTable(state, span, target.table);
      } else {
        goesOn = followListedFile(state, span, inner);
      }
      if (!goesOn) return;
    }
  }

  // Each follow function below resolves the reference at `span` of `state`.
  // It returns true when `state` holds the line with the reference resolved,
  // to be followed on; false when the line has been split into others,
  // finished or given up.

  static void splice(State& state, const ReferenceSpan& span, const std::string& replacement) {
    state.text.replace(span.open, span.close - span.open + 1, replacement);
  }

  bool followDice(State& state, const ReferenceSpan& span, const std::string& expression) {
    const Roll& roll = rollsOf(expression);
    odds_.rollsDice = true;
    // The roll reseeds as weft's dice do. A line is made within one clock
    // second, so every roll of it gives the same seed: its dice, and the
    // draws after it, start the same sequence that any earlier roll of this
    // line started, and what is known of that sequence still holds.
    Draws& draws = state.draws;
    const std::uint32_t seed = diceSeed(kLineSecond, kLineSecond);
    if (!draws.reseeded || draws.seed != seed) {
      draws = Draws{};
      draws.seed = seed;
    }
    draws.reseeded = true;
    draws.position = 0;
    if (!roll.odds) {
      // Too many totals to follow: the lowest one still shows that lines
      // exist, so the search goes on with it, at no weight.
      giveUp(state.probability);
      state.probability = 0;
      state.replacement = std::to_string(roll.lowest);
      draws.lost = true;
      splice(state, span, state.replacement);
      return true;
    }
    DiceParts parts{};
    const std::int32_t count = readDiceExpression(expression, parts) ? parts.count : 0;
    if (count <= 0) return takeOrBranch(state, span.open, span.close + 1, *roll.odds);
    const std::uint64_t modulus = dieModulus(parts.sides);
    if (count == 1 && modulus > 0 && !draws.lost) return rollOneDie(state, span, parts, modulus);
    return rollSeveralDice(state, span, parts, roll);
  }

  // One die: its face, given what the earlier draws at position 0 showed,
  // exactly.
  bool rollOneDie(State& state, const ReferenceSpan& span, const DiceParts& parts,
                  std::uint64_t modulus) {
    const std::vector<Constraint> constraints = state.draws.at(0);
    if (std::any_of(constraints.begin(), constraints.end(),
                    [](const Constraint& c) { return c.table == Constraint::kOneOfSeveralDice; })) {
      estimate(state);
    }
    const Constraint target{Constraint::kDie, modulus, 0};
    const std::size_t faces = static_cast<std::size_t>(std::min<std::uint64_t>(modulus, kDraws));
    const std::vector<std::uint64_t>& counts = conditionalCounts(state, constraints, target, faces);
    Odds choices;
    for (std::size_t face = 0; face < faces; ++face) {
      const auto value =
          static_cast<std::uint32_t>(dieFace(parts.sides, static_cast<std::uint32_t>(face)));
      choices.emplace_back(std::to_string(static_cast<std::int32_t>(withModifier(parts, value))),
                           0.0);
    }
    choices = weighted(choices, counts);
    const Recorder record = [modulus](State& child, std::size_t face) {
      child.draws.note(0, Constraint{Constraint::kDie, modulus, static_cast<std::uint32_t>(face)});
      child.draws.position = 1;
    };
    return takeOrBranch(state, span.open, span.close + 1, choices, record);
  }

  // Several dice: the same dice again after a roll show the same faces;
  // otherwise each total is a choice, the dice taken as independent.
  bool rollSeveralDice(State& state, const ReferenceSpan& span, const DiceParts& parts,
                       const Roll& roll) {
    Draws& draws = state.draws;
    const std::int32_t count = parts.count;
    if (draws.rolled && draws.rollCount == count && draws.rollSides == parts.sides && !draws.lost) {
      // The same dice again, from the same seed: the same faces.
      state.replacement =
          std::to_string(static_cast<std::int32_t>(withModifier(parts, draws.faceSum)));
      draws.position = static_cast<std::uint32_t>(count);
      splice(state, span, state.replacement);
      return true;
    }
    bool known = draws.lost || draws.rolled;
    for (std::int32_t k = 0; k < count && !known; ++k) {
      known = !draws.at(static_cast<std::uint32_t>(k)).empty();
    }
    // Several dice after draws at their places are taken as independent
    // of them.
    if (known) estimate(state);
    const Recorder record = [count, &parts, &roll](State& child, std::size_t index) {
      Draws& d = child.draws;
      const auto total = static_cast<std::uint32_t>(roll.totals[index]);
      const auto m = static_cast<std::uint32_t>(parts.modifier);
      d.rolled = true;
      d.rollCount = count;
      d.rollSides = parts.sides;
      d.faceSum = parts.positive ? total - m : total + m;
      for (std::int32_t k = 0; k < count && k < kMostDiceNoted; ++k) {
        d.note(static_cast<std::uint32_t>(k), Constraint{Constraint::kOneOfSeveralDice, 0, 0});
      }
      d.position = static_cast<std::uint32_t>(count);
    };
    return takeOrBranch(state, span.open, span.close + 1, *roll.odds, record);
  }

  bool followTable(State& state, const ReferenceSpan& span, std::int32_t number) {
    if (!isTableNumber(number)) {
      splice(state, span, state.replacement);
      return true;
    }
    if (file_.table(number).empty()) {
      odds_.emptyTable += state.probability;
      return false;
    }
    const Odds* choices = &choicesOf(number);
    Recorder record;
    Odds conditional;
    if (state.draws.reseeded) record = pickAfterRoll(state, number, choices, conditional);
    return takeOrBranch(state, span.open, span.close + 1, *choices, record);
  }

  // A pick after a roll: the draw at its place may have been made before,
  // after an earlier roll of this line. Points `choices` at `conditional`
  // when what is known of that draw changes its odds; returns what the pick
  // records of the draw.
  Recorder pickAfterRoll(const State& state, std::int32_t number, const Odds*& choices,
                         Odds& conditional) {
    const std::uint32_t k = state.draws.position;
    const std::vector<Constraint> known = state.draws.at(k);
    const bool opaque =
        state.draws.lost || std::any_of(known.begin(), known.end(), [](const Constraint& c) {
          return c.table == Constraint::kOneOfSeveralDice;
        });
    if (opaque) {
      estimate(state);
    } else if (!known.empty()) {
      conditional = weighted(
          *choices, conditionalCounts(state, known, Constraint{number, 0, 0}, choices->size()));
      choices = &conditional;
    }
    return [number, k, opaque](State& child, std::size_t index) {
      if (!opaque) child.draws.note(k, Constraint{number, 0, static_cast<std::uint32_t>(index)});
      child.draws.position = k + 1;
    };
  }

  bool followListedFile(State& state, const ReferenceSpan& span, const std::string& name) {
    const DataFile* last = lastListedFile(state, name);
    if (last == nullptr) {
      splice(state, span, state.replacement);
      return true;
    }
    const LineOdds& sub = subfileOdds(*last);
    // The listed file's draws are not followed here: after a roll they
    // take places in the sequence that is started again, and its own rolls
    // reseed the random source for the rest of this line.
    if (state.draws.reseeded) {
      estimate(state);
      state.draws.lost = true;
    }
    if (sub.rollsDice) {
      odds_.rollsDice = true;
      state.draws.reseeded = state.draws.lost = true;
    }
    if (sub.estimated) estimate(state);
    odds_.emptyLine += state.probability * sub.emptyLine;
    odds_.emptyTable += state.probability * sub.emptyTable;
    if (!sub.complete) giveUp(state.probability * sub.unexplored);
    if (probing_) return takeLikeliest(state, span.open, span.close + 1, loweredLinesOf(*last));
    branch(std::move(state), span.open, span.close + 1, loweredLinesOf(*last));
    return false;
  }

  // Returns the last listed file called `name`, whose lines the reference
  // yields, or null when none is; an earlier file of the same name generates
  // too, and only its ending of the run matters.
  const DataFile* lastListedFile(State& state, const std::string& name) {
    if (!subfilesResolve_) return nullptr;
    const DataFile* last = nullptr;
    return visitListedFiles(file_, name, [&](const DataFile& subfile) {
      if (last != nullptr) {
        const LineOdds& earlier = subfileOdds(*last);
        odds_.emptyLine += state.probability * earlier.emptyLine;
        odds_.emptyTable += state.probability * earlier.emptyTable;
        if (earlier.unexplored > 0 || !earlier.complete)
          giveUp(state.probability * earlier.unexplored);
        state.probability *= 1 - earlier.emptyLine - earlier.emptyTable - earlier.unexplored;
      }
      last = &subfile;
    });
  }

  const Roll& rollsOf(const std::string& expression) {
    auto it = rolls_.find(expression);
    if (it == rolls_.end()) {
      Roll roll;
      if (const auto values = diceTotals(expression, diceWork_, roll.lowest)) {
        roll.odds.emplace();
        for (const auto& [value, p] : *values) {
          roll.odds->emplace_back(std::to_string(value), p);
          roll.totals.push_back(value);
        }
      }
      it = rolls_.emplace(expression, std::move(roll)).first;
    }
    return it->second;
  }

  // A listed file's lines come in folded to lower case.
  const Odds& loweredLinesOf(const DataFile& subfile) {
    auto it = loweredLines_.find(&subfile);
    if (it == loweredLines_.end()) {
      std::map<std::string, double> lowered;
      for (const auto& [line, p] : subfileOdds(subfile).lines) {
        std::string replacement = line;
        lowerListedLine(replacement);
        lowered[replacement] += p;
      }
      it = loweredLines_.emplace(&subfile, Odds(lowered.begin(), lowered.end())).first;
    }
    return it->second;
  }

  const LineOdds& subfileOdds(const DataFile& subfile) {
    auto it = subfileOdds_.find(&subfile);
    if (it == subfileOdds_.end() && subfileOdds_.size() >= kMaxListedFilesFollowed) {
      static const LineOdds kNotFollowed{{}, 0, 0, 1, false, false, false};
      return kNotFollowed;
    }
    if (it == subfileOdds_.end()) {
      // Listed files are generated from copies without sub-files of their own.
      it =
          subfileOdds_.emplace(&subfile, Enumerator(subfile, false, kListedFileLimits).run()).first;
    }
    return it->second;
  }

  const DataFile& file_;
  const bool subfilesResolve_;
  const SearchLimits limits_;
  LineOdds odds_;
  std::vector<State> queue_;  // a heap, the likeliest line on top
  std::size_t waitingBytes_ = 0;
  std::uint64_t queued_ = 0;
  std::uint64_t work_ = 0;
  std::uint64_t workLimit_ = limits_.work;
  bool probing_ = false;
  std::vector<State> probes_;  // unfinished lines kept for the probe
  std::array<std::optional<Odds>, TABLE_COUNT> tableChoices_;
  std::array<std::vector<std::uint32_t>, TABLE_COUNT> drawChoices_;
  std::map<std::vector<Constraint>, std::vector<std::uint64_t>> conditional_;
  std::map<const DataFile*, LineOdds> subfileOdds_;
  std::map<std::string, Roll> rolls_;
  double diceWork_ = 0;
  std::uint64_t checks_ = 0;  // draws tested against constraints so far
  std::map<const DataFile*, Odds> loweredLines_;
};

}  // namespace

LineOdds enumerateLines(const DataFile& file, bool subfilesResolve) {
  return Enumerator(file, subfilesResolve, kFileLimits).run();
}

}  // namespace weft::check
