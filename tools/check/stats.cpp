#include "stats.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numeric>
#include <optional>
#include <set>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "analysis.h"
#include "generate/case_rules.h"
#include "generate/dice.h"
#include "generate/reference.h"
#include "report.h"
#include "support/ascii.h"
#include "support/random_source.h"

namespace weft::check {

namespace {

constexpr std::uint64_t kDraws = kDrawRange;  // equally likely values of one draw

// Bounds of one search, so that any data file is described in bounded time
// and memory.
struct Limits {
  std::uint64_t work;      // bytes of working text handled in all
  std::size_t states;      // partial lines waiting at once
  std::size_t stateBytes;  // bytes of partial lines waiting at once
  std::size_t lines;       // distinct finished lines kept
  std::size_t textBytes;   // longest working text followed
  std::uint32_t passes;    // references resolved in one line
  std::uint64_t checks;    // tests of a draw against what is known of it, in all
};

constexpr Limits kFileLimits{20'000'000, 20'000, 16u << 20, 20'000, 16384, 10'000, 400'000'000};
// Unfinished lines followed to an end by their likeliest choices once a
// search is out of work.
constexpr std::size_t kProbes = 64;

// Listed files whose lines one search follows; the lines of others are not.
constexpr std::size_t kMaxListedFilesFollowed = 16;
constexpr Limits kListedFileLimits{5'000'000, 5'000, 4u << 20, 5'000, 16384, 10'000, 100'000'000};

// Outcomes of one draw, as probabilities of the values that come out.
using Odds = std::vector<std::pair<std::string, double>>;

// Returns the values of a dice expression with their probabilities, or
// nothing when there are too many to follow; then `lowestTotal` is the
// lowest total, which some roll yields. `work` counts the steps of the sums
// made so far and is charged for this one.
std::optional<std::map<std::int32_t, double>> diceOdds(std::string_view expression, double& work,
                                                       std::int32_t& lowestTotal) {
  constexpr std::size_t kMaxValues = 40'000;
  constexpr double kMaxWork = 5e7;
  DiceParts parts{};
  std::map<std::int32_t, double> result;
  if (!readDiceExpression(expression, parts)) {
    result[0] = 1;  // weft rolls 0 for an expression that does not read
    return result;
  }
  // One die: its lowest face and the probability of each face from there,
  // as the share of the 32768 draws that show it.
  std::int64_t lowest = 0;
  std::vector<double> die;
  if (parts.sides == Dice::kFudge) {
    lowest = -1;  // r mod 3 is 0, 1 or 2 for a face of 0, +1 or -1
    die = {10922.0 / kDraws, 10923.0 / kDraws, 10923.0 / kDraws};
  } else if (parts.sides == 0) {
    die = {1.0};
  } else {
    const std::int64_t sides = std::llabs(static_cast<std::int64_t>(parts.sides));
    const std::int64_t faces = std::min<std::int64_t>(sides, kDraws);
    lowest = 1;
    for (std::int64_t f = 0; f < faces; ++f) {
      // The draws r below 32768 with r mod sides == f.
      const std::int64_t draws = (static_cast<std::int64_t>(kDraws) - 1 - f) / sides + 1;
      die.push_back(static_cast<double>(draws) / kDraws);
    }
  }
  const auto count = static_cast<std::uint64_t>(std::max(parts.count, 0));
  const std::uint64_t spread = die.size() - 1;
  const auto modifier = static_cast<std::uint32_t>(parts.modifier);
  const std::int64_t first = static_cast<std::int64_t>(count) * lowest;
  if (count * spread + 1 > kMaxValues) {
    lowestTotal =
        static_cast<std::int32_t>(parts.positive ? static_cast<std::uint32_t>(first) + modifier
                                                 : static_cast<std::uint32_t>(first) - modifier);
    return std::nullopt;
  }
  work += static_cast<double>(count) * static_cast<double>(count * spread + 1) *
          static_cast<double>(die.size());
  if (work > kMaxWork) {
    lowestTotal =
        static_cast<std::int32_t>(parts.positive ? static_cast<std::uint32_t>(first) + modifier
                                                 : static_cast<std::uint32_t>(first) - modifier);
    return std::nullopt;
  }
  std::vector<double> sum{1.0};  // sums from count * lowest upwards
  for (std::uint64_t i = 0; i < count; ++i) {
    std::vector<double> next(sum.size() + spread, 0.0);
    for (std::size_t s = 0; s < sum.size(); ++s) {
      for (std::size_t f = 0; f < die.size(); ++f) next[s + f] += sum[s] * die[f];
    }
    sum = std::move(next);
  }
  for (std::size_t s = 0; s < sum.size(); ++s) {
    if (sum[s] <= 0) continue;
    // Totals wrap round in 32 bits, as the roll computes them.
    std::uint32_t total = static_cast<std::uint32_t>(first + static_cast<std::int64_t>(s));
    total = parts.positive ? total + modifier : total - modifier;
    result[static_cast<std::int32_t>(total)] += sum[s];
  }
  return result;
}

struct DistinctEntry {
  std::string_view text;
  std::uint64_t positions = 0;
  std::uint64_t draws = 0;
};

// Returns the distinct entries of `table` in order of first appearance.
std::vector<DistinctEntry> distinctEntries(const Table& table) {
  std::vector<DistinctEntry> entries;
  std::unordered_map<std::string_view, std::size_t> index;
  std::uint64_t position = 0;
  for (std::size_t i = 0; i < table.runCount(); ++i) {
    const Table::Run run = table.run(i);
    auto [it, inserted] = index.emplace(run.text, entries.size());
    if (inserted) entries.push_back(DistinctEntry{run.text});
    DistinctEntry& entry = entries[it->second];
    entry.positions += run.count;
    entry.draws += drawsOfPositions(table.size(), position, position + run.count);
    position += run.count;
  }
  return entries;
}

// Follows every choice of the expansion of one generate call, most likely
// partial lines first, until all are finished or a limit is reached.
class Enumerator {
 public:
  Enumerator(const DataFile& file, bool subfilesResolve, const Limits& limits)
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
    if (file_.isElementFile()) {
      capitalizeWords(state.text);
    } else {
      capitalizeFirst(state.text);
    }
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

  // Resolves the references of `state` until it is finished or a choice
  // splits it.
  void follow(State state) {
    while (true) {
      const ReferenceSpan span = findReference(state.text);
      if (!span.found()) {
        finish(state);
        return;
      }
      const std::size_t open = span.open;
      const std::size_t close = span.close;
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
      const auto splice = [&state, open, close](const std::string& replacement) {
        state.text.replace(open, close - open + 1, replacement);
      };
      const ReferenceTarget target = classifyReference(inner);
      if (target.kind == ReferenceTarget::Kind::Dice) {
        const std::string expression(target.dice);
        const Roll& roll = rollsOf(expression);
        odds_.rollsDice = true;
        // The roll reseeds: its dice, and the draws after it, start the same
        // sequence that any earlier roll of this line started.
        Draws& draws = state.draws;
        if (!draws.reseeded) draws = Draws{};
        draws.reseeded = true;
        draws.position = 0;
        if (!roll.odds) {
          // Too many totals to follow: the lowest one still shows that lines
          // exist, so the search goes on with it, at no weight.
          giveUp(state.probability);
          state.probability = 0;
          state.replacement = std::to_string(roll.lowest);
          draws.lost = true;
          splice(state.replacement);
          continue;
        }
        DiceParts parts{};
        const std::int32_t count = readDiceExpression(expression, parts) ? parts.count : 0;
        if (count <= 0) {
          if (takeOrBranch(state, open, close + 1, *roll.odds)) continue;
          return;
        }
        const std::uint64_t modulus =
            parts.sides == Dice::kFudge
                ? 3
                : static_cast<std::uint64_t>(std::llabs(static_cast<std::int64_t>(parts.sides)));
        const auto modifierOf = [&parts](std::uint32_t sum) {
          const auto m = static_cast<std::uint32_t>(parts.modifier);
          return parts.positive ? sum + m : sum - m;
        };
        if (count == 1 && modulus > 0 && !draws.lost) {
          // One die: its face, given what the earlier draws at position 0
          // showed, exactly.
          const std::vector<Constraint> constraints = draws.at(0);
          if (std::any_of(constraints.begin(), constraints.end(), [](const Constraint& c) {
                return c.table == Constraint::kOneOfSeveralDice;
              })) {
            estimate(state);
          }
          const Constraint target{Constraint::kDie, modulus, 0};
          const std::size_t faces =
              static_cast<std::size_t>(std::min<std::uint64_t>(modulus, kDraws));
          const std::vector<std::uint64_t>& counts =
              conditionalCounts(state, constraints, target, faces);
          Odds choices;
          for (std::size_t face = 0; face < faces; ++face) {
            std::uint32_t value = static_cast<std::uint32_t>(face) + 1;
            if (parts.sides == Dice::kFudge) value = face == 0 ? 0 : face == 1 ? 1 : 0xFFFFFFFFu;
            choices.emplace_back(std::to_string(static_cast<std::int32_t>(modifierOf(value))), 0.0);
          }
          choices = weighted(choices, counts);
          const Recorder record = [modulus](State& child, std::size_t face) {
            child.draws.note(
                0, Constraint{Constraint::kDie, modulus, static_cast<std::uint32_t>(face)});
            child.draws.position = 1;
          };
          if (takeOrBranch(state, open, close + 1, choices, record)) continue;
          return;
        }
        if (draws.rolled && draws.rollCount == count && draws.rollSides == parts.sides &&
            !draws.lost) {
          // The same dice again, from the same seed: the same faces.
          state.replacement = std::to_string(static_cast<std::int32_t>(modifierOf(draws.faceSum)));
          draws.position = static_cast<std::uint32_t>(count);
          splice(state.replacement);
          continue;
        }
        bool known = draws.lost || draws.rolled;
        for (std::int32_t k = 0; k < count && !known; ++k) {
          known = !draws.at(static_cast<std::uint32_t>(k)).empty();
        }
        // Several dice after draws at their places are taken as independent
        // of them.
        if (known) estimate(state);
        const Recorder record = [count, &parts](State& child, std::size_t) {
          Draws& d = child.draws;
          const auto total = static_cast<std::uint32_t>(std::stol(child.replacement));
          const auto m = static_cast<std::uint32_t>(parts.modifier);
          d.rolled = true;
          d.rollCount = count;
          d.rollSides = parts.sides;
          d.faceSum = parts.positive ? total - m : total + m;
          for (std::int32_t k = 0; k < count && k < 64; ++k) {
            d.note(static_cast<std::uint32_t>(k), Constraint{Constraint::kOneOfSeveralDice, 0, 0});
          }
          d.position = static_cast<std::uint32_t>(count);
        };
        if (takeOrBranch(state, open, close + 1, *roll.odds, record)) continue;
        return;
      }
      if (target.kind == ReferenceTarget::Kind::Table) {
        if (!isTableNumber(target.table)) {
          splice(state.replacement);
          continue;
        }
        if (file_.table(target.table).empty()) {
          odds_.emptyTable += state.probability;
          return;
        }
        const std::int32_t number = target.table;
        const Odds* choices = &choicesOf(target.table);
        Recorder record;
        Odds conditional;
        if (state.draws.reseeded) {
          // A pick after a roll: the draw at its place may have been made
          // before, after an earlier roll of this line.
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
                *choices,
                conditionalCounts(state, known, Constraint{number, 0, 0}, choices->size()));
            choices = &conditional;
          }
          record = [number, k, opaque](State& child, std::size_t index) {
            if (!opaque) {
              child.draws.note(k, Constraint{number, 0, static_cast<std::uint32_t>(index)});
            }
            child.draws.position = k + 1;
          };
        }
        if (takeOrBranch(state, open, close + 1, *choices, record)) continue;
        return;
      }
      const DataFile* last = nullptr;
      if (subfilesResolve_) {
        for (const DataFile& subfile : file_.subfiles()) {
          if (subfile.filename() != inner) continue;
          if (last != nullptr) {
            // An earlier file of the same name generates too; only its
            // ending of the run matters.
            const LineOdds& earlier = subfileOdds(*last);
            odds_.emptyLine += state.probability * earlier.emptyLine;
            odds_.emptyTable += state.probability * earlier.emptyTable;
            if (earlier.unexplored > 0 || !earlier.complete)
              giveUp(state.probability * earlier.unexplored);
            state.probability *= 1 - earlier.emptyLine - earlier.emptyTable - earlier.unexplored;
          }
          last = &subfile;
        }
      }
      if (last == nullptr) {
        splice(state.replacement);
        continue;
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
      if (probing_) {
        if (takeLikeliest(state, open, close + 1, loweredLinesOf(*last))) continue;
        return;
      }
      branch(std::move(state), open, close + 1, loweredLinesOf(*last));
      return;
    }
  }

  struct Roll {
    std::optional<Odds> odds;  // none when there are too many totals
    std::int32_t lowest = 0;
  };

  const Roll& rollsOf(const std::string& expression) {
    auto it = rolls_.find(expression);
    if (it == rolls_.end()) {
      Roll roll;
      if (const auto values = diceOdds(expression, diceWork_, roll.lowest)) {
        roll.odds.emplace();
        for (const auto& [value, p] : *values) roll.odds->emplace_back(std::to_string(value), p);
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
      for (const auto& [line, p] : subfileOdds(subfile).lines) lowered[lowerCopy(line)] += p;
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
  const Limits limits_;
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

std::string bar(double p, std::size_t width) {
  const auto filled =
      std::min<std::size_t>(static_cast<std::size_t>(std::lround(p * width)), width);
  // A chance too small for one sign still shows as one thin mark.
  if (filled == 0 && p > 0) return "." + std::string(width - 1, ' ');
  return std::string(filled, '#') + std::string(width - filled, ' ');
}

std::string padded(std::string text, std::size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

std::string rightAligned(const std::string& text, std::size_t width) {
  return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

TableOdds tableOdds(const DataFile& file, int number) {
  const Table& table = file.table(number);
  TableOdds odds;
  odds.number = number;
  odds.positions = table.size();
  std::uint64_t common = kDraws;
  for (const DistinctEntry& entry : distinctEntries(table)) {
    EntryOdds e;
    e.text = std::string(entry.text);
    // The element file's own entry comes last; one the author wrote alike
    // merges with it.
    e.builtIn = file.isElementFile() && number == 0 && e.text == "(table1)(table3)";
    e.positions = entry.positions;
    e.draws = entry.draws;
    common = std::gcd(common, entry.draws);
    odds.entries.push_back(std::move(e));
  }
  odds.denominator = kDraws / (common == 0 ? kDraws : common);
  return odds;
}

void describeTable(const TableOdds& table, const FileOdds& file, std::string& out) {
  out += "  table " + std::to_string(table.number) + ": " + std::to_string(table.entries.size()) +
         (table.entries.size() == 1 ? " entry" : " entries");
  if (table.denominator == kDraws) {
    out += ", chances out of the 32768 equally likely draws of a pick";
  } else {
    out += ", chances out of " + std::to_string(table.denominator);
  }
  out += "\n";
  if (table.positions > kDraws) {
    out += "    (" + std::to_string(table.positions) +
           " positions: those from 32768 on are never picked)\n";
  }
  for (const EntryOdds& entry : table.entries) {
    const double p = static_cast<double>(entry.draws) / kDraws;
    const std::uint64_t scale = kDraws / table.denominator;
    const std::string fraction =
        std::to_string(entry.draws / scale) + "/" + std::to_string(table.denominator);
    const std::string shown = entry.builtIn ? "prefix + suffix (a prefix joined to a suffix)"
                                            : "\"" + printable(entry.text) + "\"";
    out += "    " + rightAligned(percentText(p), 7) + "  " + padded(oneInText(p), 12) + " " +
           padded(fraction, 12) + " " + bar(p, 20) + "  " + shown + "\n";
  }
  (void)file;
}

void describeDice(const DiceOdds& dice, std::string& out) {
  out += "  dice (random" + printable(dice.expression) + ")";
  if (dice.line > 0) out += ", line " + std::to_string(dice.line);
  if (!dice.reads) {
    out += ": does not read, weft rolls 0\n";
    return;
  }
  out += ": totals " + std::to_string(dice.lowest) + " to " + std::to_string(dice.highest);
  if (!dice.exact) out += " (the dice taken as independent)";
  out += "\n";
  if (dice.totals.empty()) {
    out += "    too many totals to show\n";
    return;
  }
  // Up to 20 rows: totals are grouped into bands when there are more.
  const std::size_t rows = std::min<std::size_t>(dice.totals.size(), 20);
  const std::size_t perRow = (dice.totals.size() + rows - 1) / rows;
  std::vector<std::pair<std::string, double>> bands;
  double largest = 0;
  for (std::size_t i = 0; i < dice.totals.size(); i += perRow) {
    const std::size_t last = std::min(dice.totals.size(), i + perRow) - 1;
    double p = 0;
    for (std::size_t j = i; j <= last; ++j) p += dice.totals[j].second;
    std::string label = std::to_string(dice.totals[i].first);
    if (last != i) label += " to " + std::to_string(dice.totals[last].first);
    bands.emplace_back(label, p);
    largest = std::max(largest, p);
  }
  std::size_t labelWidth = 0;
  for (const auto& band : bands) labelWidth = std::max(labelWidth, band.first.size());
  for (const auto& [label, p] : bands) {
    out += "    " + rightAligned(label, labelWidth) + "  " + rightAligned(percentText(p), 7) +
           "  " + bar(largest > 0 ? p / largest : 0, 20) + "\n";
  }
}

std::string variety(double value) {
  char text[32];
  if (value < 10) {
    std::snprintf(text, sizeof text, "%.1f", value);
  } else {
    std::snprintf(text, sizeof text, "%.0f", value);
  }
  return text;
}

void describeLines(const FileOdds& file, bool verbose, std::string& out) {
  const LineOdds& odds = file.lines;
  const std::size_t count = odds.lines.size();
  const std::string lines = std::to_string(count) + (count == 1 ? " line" : " different lines");
  if (odds.complete && !odds.estimated) {
    out += "  lines: " + lines + ", about as varied as " + variety(file.variety) +
           " equally likely lines\n";
  } else if (odds.complete) {
    out += "  lines (estimated, see the note on dice below): " + lines + ", about as varied as " +
           variety(file.variety) + " equally likely lines\n";
  } else {
    out += "  lines: at least " + lines +
           " (too many choices to follow them all), at least as varied as " +
           variety(file.variety) + " equally likely lines" +
           (odds.estimated ? " (estimated, see the note on dice below)" : "") + "\n";
  }
  if (verbose) {
    char bits[64];
    std::snprintf(bits, sizeof bits, "%.3f", file.bits);
    out += std::string("  entropy: ") + (odds.complete ? "" : "at least ") + bits + " bits\n";
  }
  if (odds.emptyLine > 0 || odds.emptyTable > 0) {
    std::string causes;
    if (odds.emptyLine > 0) causes += "an empty line " + percentText(odds.emptyLine);
    if (odds.emptyLine > 0 && odds.emptyTable > 0) causes += ", ";
    if (odds.emptyTable > 0) causes += "an empty table referenced " + percentText(odds.emptyTable);
    out += "  the run ends on " + percentText(odds.emptyLine + odds.emptyTable) + " of lines (" +
           causes + ")\n";
  }
  if (odds.rollsDice) {
    out +=
        "  note: every dice roll restarts weft's random numbers from the clock's second, so the "
        "lines made after a roll repeat within the same second, and later rolls in a line repeat "
        "its first roll's draws";
    out += odds.estimated ? "; odds that this ties together are estimates\n" : "\n";
  }
}

}  // namespace

std::uint64_t drawsOfPositions(std::uint64_t size, std::uint64_t first, std::uint64_t end) {
  // Draws r < x with r mod size < x, for x <= size.
  const auto below = [size](std::uint64_t x) {
    return (kDraws / size) * x + std::min(kDraws % size, x);
  };
  return below(end) - below(first);
}

LineOdds enumerateLines(const DataFile& file, bool subfilesResolve) {
  return Enumerator(file, subfilesResolve, kFileLimits).run();
}

FileOdds computeOdds(const DataFile& file, const std::string& path, const EntryLines* lines) {
  FileOdds odds;
  odds.path = path;
  odds.title = file.title();
  odds.elementFile = file.isElementFile();
  std::set<std::string> seenDice;
  for (int t = 0; t < TABLE_COUNT; ++t) {
    const Table& table = file.table(t);
    if (table.empty()) continue;
    odds.tables.push_back(tableOdds(file, t));
    for (std::size_t i = 0; i < table.runCount(); ++i) {
      for (const Reference& reference : parseEntry(table.run(i).text).references) {
        if (reference.target.kind != ReferenceTarget::Kind::Dice) continue;
        const std::string expression(reference.target.dice);
        if (!seenDice.insert(expression).second) continue;
        DiceOdds dice;
        dice.expression = expression;
        dice.table = t;
        const auto& runLines = lines == nullptr ? nullptr : &(*lines)[static_cast<std::size_t>(t)];
        if (runLines != nullptr && i < runLines->size()) dice.line = (*runLines)[i];
        DiceParts parts{};
        dice.reads = readDiceExpression(expression, parts);
        double work = 0;
        std::int32_t lowest = 0;
        if (const auto values = diceOdds(expression, work, lowest)) {
          dice.totals.assign(values->begin(), values->end());
          dice.lowest = dice.totals.front().first;
          dice.highest = dice.totals.back().first;
        } else {
          dice.lowest = lowest;
          dice.highest = lowest;
        }
        dice.exact = !dice.reads || parts.count <= 1;
        if (dice.reads && dice.totals.empty()) {
          const std::int64_t faces =
              parts.sides == Dice::kFudge ? 1 : std::llabs(static_cast<std::int64_t>(parts.sides));
          dice.highest = dice.lowest + static_cast<std::int64_t>(std::max(parts.count, 0)) *
                                           (parts.sides == Dice::kFudge ? 2 : faces - 1);
        }
        odds.dice.push_back(std::move(dice));
      }
    }
  }
  odds.lines = enumerateLines(file, file.parent() == nullptr);
  double largest = std::max(odds.lines.emptyLine, odds.lines.emptyTable);
  double entropy = 0;
  const auto addOutcome = [&entropy](double p) {
    if (p > 0) entropy -= p * std::log2(p);
  };
  for (const auto& [line, p] : odds.lines.lines) {
    largest = std::max(largest, p);
    addOutcome(p);
  }
  addOutcome(odds.lines.emptyLine);
  addOutcome(odds.lines.emptyTable);
  if (!odds.lines.complete) {
    // No outcome is likelier than the likeliest one found plus all that was
    // not followed, and entropy is never below -log2 of the likeliest.
    entropy = std::max(0.0, -std::log2(std::min(1.0, largest + odds.lines.unexplored)));
  }
  odds.bits = std::max(0.0, entropy);
  odds.variety = std::exp2(odds.bits);
  return odds;
}

std::string describeOdds(const FileOdds& odds, bool verbose) {
  std::string out = printable(odds.path) + ": title \"" + printable(odds.title) + "\"" +
                    (odds.elementFile ? " (element file)" : "") + "\n";
  for (const TableOdds& table : odds.tables) describeTable(table, odds, out);
  if (odds.tables.empty()) out += "  no entries: every line is empty\n";
  for (const DiceOdds& dice : odds.dice) describeDice(dice, out);
  describeLines(odds, verbose, out);
  return out;
}

std::string describeOdds(const DataFile& file, const std::string& path) {
  return describeOdds(computeOdds(file, path), false);
}

std::string percentText(double p) {
  char text[32];
  const double percent = 100 * p;
  if (p <= 0) return "0%";
  if (percent >= 9.995) {
    std::snprintf(text, sizeof text, "%.1f%%", percent);
  } else if (percent >= 0.995) {
    std::snprintf(text, sizeof text, "%.2f%%", percent);
  } else if (percent >= 0.0005) {
    std::snprintf(text, sizeof text, "%.3f%%", percent);
  } else {
    return "<0.001%";
  }
  return text;
}

std::string oneInText(double p) {
  if (p <= 0) return "never";
  const double n = 1 / p;
  char text[48];
  if (n < 9.95) {
    std::snprintf(text, sizeof text, "%.1f", n);
    std::string shown = text;
    if (shown.size() > 2 && shown.substr(shown.size() - 2) == ".0") shown.resize(shown.size() - 2);
    return "1 in " + shown;
  }
  std::snprintf(text, sizeof text, "%.0f", n);
  return std::string("1 in ") + text;
}

}  // namespace weft::check
