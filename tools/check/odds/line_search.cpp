#include "odds/line_search.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "generate/dice.h"
#include "generate/listed_files.h"
#include "generate/reference.h"
#include "odds/dice_odds.h"
#include "odds/reference_yields.h"
#include "odds/search_frontier.h"
#include "odds/search_state.h"
#include "odds/table_draws.h"

namespace weft::check {

namespace {

// The search over the file named on the command line.
constexpr SearchLimits kFileLimits{.work = 20'000'000,
                                   .states = 20'000,
                                   .stateBytes = 16u << 20,
                                   .lines = 20'000,
                                   .textBytes = 16384,
                                   .passes = 10'000,
                                   .checks = 400'000'000};
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

// Listed files are generated from copies without sub-files of their own.
LineOdds searchListedFile(const DataFile& subfile);

// Puts `replacement` in place of the reference at `span` of `state`.
void splice(PartialLine& state, const ReferenceSpan& span, const std::string& replacement) {
  state.text.replace(span.open, span.close - span.open + 1, replacement);
}

// Follows every choice of the expansion of one generate call, most likely
// partial lines first, until all are finished or a limit is reached: how
// each reference of a line resolves, in place or into the choices the line
// splits into, which the frontier keeps.
class Enumerator {
 public:
  Enumerator(const DataFile& file, bool subfilesResolve, const SearchLimits& limits)
      : file_(file),
        subfilesResolve_(subfilesResolve),
        frontier_(limits, file.isElementFile()),
        draws_(file, limits.checks),
        yields_(searchListedFile) {}

  LineOdds run() {
    const Table& table = file_.table(0);
    if (table.empty()) {
      frontier_.odds().lines[""] = 1;  // an empty main table yields an empty text, silently
      return frontier_.odds();
    }
    // The picked entry is not a replacement: that starts out empty.
    for (const auto& [entry, p] : draws_.choicesOf(0)) {
      frontier_.push(PartialLine{p, entry, {}, 0, DrawsSinceRoll{}, 0});
    }
    while (!frontier_.empty()) follow(frontier_.pop());
    // Out of work with lines unfinished: follow the likeliest choices of a
    // few of them to their end, so that the count of lines found still
    // reaches some. Their weight was already counted as not followed.
    for (PartialLine& state : frontier_.startProbe()) {
      state.probability = 0;
      follow(std::move(state));
    }
    return std::move(frontier_.odds());
  }

 private:
  // Returns TableDraws::countsGiven() for the draw of `state`, whose odds
  // become estimates when the counts are.
  const std::vector<std::uint64_t>& conditionalCounts(
      const PartialLine& state, const std::vector<DrawConstraint>& constraints,
      const DrawConstraint& target, std::size_t values) {
    bool estimated = false;
    const std::vector<std::uint64_t>& counts =
        draws_.countsGiven(constraints, target, values, estimated);
    if (estimated) frontier_.estimate(state);
    return counts;
  }

  // Resolves the references of `state` until it is finished or a choice
  // splits it.
  void follow(PartialLine state) {
    while (true) {
      const ReferenceSpan span = findReference(state.text);
      if (!span.found()) {
        frontier_.finish(state);
        return;
      }
      if (!frontier_.pass(state)) return;
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

  bool followDice(PartialLine& state, const ReferenceSpan& span, const std::string& expression) {
    const RollChoices& roll = yields_.rollsOf(expression);
    frontier_.odds().rollsDice = true;
    // The roll reseeds as weft's dice do. A line is made within one clock
    // second, so every roll of it gives the same seed: its dice, and the
    // draws after it, start the same sequence that any earlier roll of this
    // line started, and what is known of that sequence still holds.
    DrawsSinceRoll& draws = state.draws;
    const std::uint32_t seed = diceSeed(kLineSecond, kLineSecond);
    if (!draws.reseeded || draws.seed != seed) {
      draws = DrawsSinceRoll{};
      draws.seed = seed;
    }
    draws.reseeded = true;
    draws.position = 0;
    if (!roll.odds) {
      // Too many totals to follow: the lowest one still shows that lines
      // exist, so the search goes on with it, at no weight.
      frontier_.giveUp(state.probability);
      state.probability = 0;
      state.replacement = std::to_string(roll.lowest);
      draws.lost = true;
      splice(state, span, state.replacement);
      return true;
    }
    DiceParts parts{};
    const std::int32_t count = readDiceExpression(expression, parts) ? parts.count : 0;
    if (count <= 0) return frontier_.takeOrBranch(state, span.open, span.close + 1, *roll.odds);
    const std::uint64_t modulus = dieModulus(parts.sides);
    if (count == 1 && modulus > 0 && !draws.lost) return rollOneDie(state, span, parts, modulus);
    return rollSeveralDice(state, span, parts, roll);
  }

  // One die: its face, given what the earlier draws at position 0 showed,
  // exactly.
  bool rollOneDie(PartialLine& state, const ReferenceSpan& span, const DiceParts& parts,
                  std::uint64_t modulus) {
    const std::vector<DrawConstraint> constraints = state.draws.at(0);
    if (std::any_of(constraints.begin(), constraints.end(), [](const DrawConstraint& c) {
          return c.table == DrawConstraint::kOneOfSeveralDice;
        })) {
      frontier_.estimate(state);
    }
    const DrawConstraint target{DrawConstraint::kDie, modulus, 0};
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
    const Recorder record = [modulus](PartialLine& child, std::size_t face) {
      child.draws.note(
          0, DrawConstraint{DrawConstraint::kDie, modulus, static_cast<std::uint32_t>(face)});
      child.draws.position = 1;
    };
    return frontier_.takeOrBranch(state, span.open, span.close + 1, choices, record);
  }

  // Several dice: the same dice again after a roll show the same faces;
  // otherwise each total is a choice, the dice taken as independent.
  bool rollSeveralDice(PartialLine& state, const ReferenceSpan& span, const DiceParts& parts,
                       const RollChoices& roll) {
    DrawsSinceRoll& draws = state.draws;
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
    if (known) frontier_.estimate(state);
    const Recorder record = [count, &parts, &roll](PartialLine& child, std::size_t index) {
      DrawsSinceRoll& d = child.draws;
      const auto total = static_cast<std::uint32_t>(roll.totals[index]);
      const auto m = static_cast<std::uint32_t>(parts.modifier);
      d.rolled = true;
      d.rollCount = count;
      d.rollSides = parts.sides;
      d.faceSum = parts.positive ? total - m : total + m;
      for (std::int32_t k = 0; k < count && k < kMostDiceNoted; ++k) {
        d.note(static_cast<std::uint32_t>(k),
               DrawConstraint{DrawConstraint::kOneOfSeveralDice, 0, 0});
      }
      d.position = static_cast<std::uint32_t>(count);
    };
    return frontier_.takeOrBranch(state, span.open, span.close + 1, *roll.odds, record);
  }

  bool followTable(PartialLine& state, const ReferenceSpan& span, std::int32_t number) {
    if (!isTableNumber(number)) {
      splice(state, span, state.replacement);
      return true;
    }
    if (file_.table(number).empty()) {
      frontier_.odds().emptyTable += state.probability;
      return false;
    }
    const Odds* choices = &draws_.choicesOf(number);
    Recorder record;
    Odds conditional;
    if (state.draws.reseeded) record = pickAfterRoll(state, number, choices, conditional);
    return frontier_.takeOrBranch(state, span.open, span.close + 1, *choices, record);
  }

  // A pick after a roll: the draw at its place may have been made before,
  // after an earlier roll of this line. Points `choices` at `conditional`
  // when what is known of that draw changes its odds; returns what the pick
  // records of the draw.
  Recorder pickAfterRoll(const PartialLine& state, std::int32_t number, const Odds*& choices,
                         Odds& conditional) {
    const std::uint32_t k = state.draws.position;
    const std::vector<DrawConstraint> known = state.draws.at(k);
    const bool opaque =
        state.draws.lost || std::any_of(known.begin(), known.end(), [](const DrawConstraint& c) {
          return c.table == DrawConstraint::kOneOfSeveralDice;
        });
    if (opaque) {
      frontier_.estimate(state);
    } else if (!known.empty()) {
      conditional = weighted(
          *choices, conditionalCounts(state, known, DrawConstraint{number, 0, 0}, choices->size()));
      choices = &conditional;
    }
    return [number, k, opaque](PartialLine& child, std::size_t index) {
      if (!opaque)
        child.draws.note(k, DrawConstraint{number, 0, static_cast<std::uint32_t>(index)});
      child.draws.position = k + 1;
    };
  }

  bool followListedFile(PartialLine& state, const ReferenceSpan& span, const std::string& name) {
    const DataFile* last = lastListedFile(state, name);
    if (last == nullptr) {
      splice(state, span, state.replacement);
      return true;
    }
    const LineOdds& sub = yields_.subfileOdds(*last);
    // The listed file's draws are not followed here: after a roll they
    // take places in the sequence that is started again, and its own rolls
    // reseed the random source for the rest of this line.
    if (state.draws.reseeded) {
      frontier_.estimate(state);
      state.draws.lost = true;
    }
    if (sub.rollsDice) {
      frontier_.odds().rollsDice = true;
      state.draws.reseeded = state.draws.lost = true;
    }
    if (sub.estimated) frontier_.estimate(state);
    frontier_.odds().emptyLine += state.probability * sub.emptyLine;
    frontier_.odds().emptyTable += state.probability * sub.emptyTable;
    if (!sub.complete) frontier_.giveUp(state.probability * sub.unexplored);
    if (frontier_.probing())
      return frontier_.takeLikeliest(state, span.open, span.close + 1,
                                     yields_.loweredLinesOf(*last));
    frontier_.branch(std::move(state), span.open, span.close + 1, yields_.loweredLinesOf(*last));
    return false;
  }

  // Returns the last listed file called `name`, whose lines the reference
  // yields, or null when none is; an earlier file of the same name generates
  // too, and only its ending of the run matters.
  const DataFile* lastListedFile(PartialLine& state, const std::string& name) {
    if (!subfilesResolve_) return nullptr;
    const DataFile* last = nullptr;
    return visitListedFiles(file_, name, [&](const DataFile& subfile) {
      if (last != nullptr) {
        const LineOdds& earlier = yields_.subfileOdds(*last);
        frontier_.odds().emptyLine += state.probability * earlier.emptyLine;
        frontier_.odds().emptyTable += state.probability * earlier.emptyTable;
        if (earlier.unexplored > 0 || !earlier.complete)
          frontier_.giveUp(state.probability * earlier.unexplored);
        state.probability *= 1 - earlier.emptyLine - earlier.emptyTable - earlier.unexplored;
      }
      last = &subfile;
    });
  }

  const DataFile& file_;
  const bool subfilesResolve_;
  SearchFrontier frontier_;
  TableDraws draws_;
  ReferenceYields yields_;
};

LineOdds searchListedFile(const DataFile& subfile) {
  return Enumerator(subfile, false, kListedFileLimits).run();
}

}  // namespace

LineOdds enumerateLines(const DataFile& file, bool subfilesResolve) {
  return Enumerator(file, subfilesResolve, kFileLimits).run();
}

}  // namespace weft::check
