#include "model/tied_rolls.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "generate/listed_files.h"
#include "model/parsed_entry.h"
#include "model/roll_joint.h"
#include "model/roll_walk.h"

namespace weft::check {

namespace {

// The states all the walks of one file may take between them, and the bytes
// of working text they may handle.
constexpr std::size_t kMostStates = 50'000;
constexpr std::uint64_t kMostWork = 20'000'000;

// What the walks of one file have spent.
struct Spent {
  std::size_t states = 0;
  std::uint64_t work = 0;
};
// The pairs of rolls one entry's line is followed for.
constexpr std::size_t kMostPairs = 400;

// Which tables of a file may bring a roll into a line, conservatively: a
// table whose entries, or the tables and listed files they refer to, hold
// "random", or whose parentheses do not pair up by themselves.
class RollReach {
 public:
  explicit RollReach(const DataFile& file) : file_(file) {
    for (int t = 0; t < TABLE_COUNT; ++t) {
      const Table& table = file.table(t);
      for (std::size_t i = 0; i < table.runCount(); ++i) {
        const std::string_view text = table.run(i).text;
        const ParsedEntry parsed = parseEntry(text);
        Facts& facts = facts_[static_cast<std::size_t>(t)];
        facts.rolls = facts.rolls || text.find("random") != std::string_view::npos;
        facts.odd = facts.odd || oddParentheses(text, parsed);
        for (const Reference& r : parsed.references) {
          if (r.target.kind == ReferenceTarget::Kind::Table && isTableNumber(r.target.table)) {
            facts.tables.insert(r.target.table);
          } else if (r.target.kind == ReferenceTarget::Kind::Name && listedRolls(r.inner)) {
            facts.rolls = true;
          }
        }
      }
    }
  }

  // Returns true when a line of table `t` may make a roll, or odd parentheses.
  bool mayRoll(int t) const {
    return reach(t, [](const Facts& f) { return f.rolls || f.odd; });
  }
  bool mayBeOdd(int t) const {
    return reach(t, [](const Facts& f) { return f.odd; });
  }

  // Returns true when the listed file a reference to `name` makes a line
  // from may roll.
  bool listedRolls(std::string_view name) const {
    if (file_.parent() != nullptr) return false;
    bool rolls = false;
    visitListedFiles(file_, name, [&rolls](const DataFile& listed) {
      for (int t = 0; t < TABLE_COUNT && !rolls; ++t) {
        const Table& table = listed.table(t);
        for (std::size_t i = 0; i < table.runCount() && !rolls; ++i) {
          rolls = table.run(i).text.find("random") != std::string_view::npos;
        }
      }
    });
    return rolls;
  }

  static bool oddParentheses(std::string_view text, const ParsedEntry& parsed) {
    const auto count = static_cast<std::size_t>(std::count(text.begin(), text.end(), '(') +
                                                std::count(text.begin(), text.end(), ')'));
    return count != 2 * parsed.references.size();
  }

 private:
  struct Facts {
    bool rolls = false;
    bool odd = false;
    std::set<int> tables;
  };

  // Returns true when `holds` holds for a table that table `t` reaches.
  bool reach(int t, const std::function<bool(const Facts&)>& holds) const {
    std::set<int> seen{t};
    std::vector<int> open{t};
    while (!open.empty()) {
      const Facts& facts = facts_[static_cast<std::size_t>(open.back())];
      open.pop_back();
      if (holds(facts)) return true;
      for (const int next : facts.tables) {
        if (seen.insert(next).second) open.push_back(next);
      }
    }
    return false;
  }

  const DataFile& file_;
  std::array<Facts, TABLE_COUNT> facts_{};
};

// Returns true when the line of `text` may bring two rolls together: two of
// its references may roll, or one may and odd parentheses may join others.
bool worthWalking(const RollReach& reach, std::string_view text) {
  const ParsedEntry parsed = parseEntry(text);
  std::size_t rolling = 0;
  bool odd = RollReach::oddParentheses(text, parsed);
  for (const Reference& r : parsed.references) {
    bool rolls = false;
    if (r.target.kind == ReferenceTarget::Kind::Dice) {
      rolls = true;
    } else if (r.target.kind == ReferenceTarget::Kind::Table && isTableNumber(r.target.table)) {
      rolls = reach.mayRoll(r.target.table);
      odd = odd || reach.mayBeOdd(r.target.table);
    } else {
      // A listed file's line, or the last replacement repeated.
      rolls = reach.listedRolls(r.inner) || rolling > 0;
    }
    if (rolls) ++rolling;
  }
  return rolling >= 2 || (rolling == 1 && odd);
}

// Two rolls of an entry's line, the earlier first, with the joint sums of
// their dice gathered over the ways through the line.
struct RollPair {
  WalkedRoll first;
  WalkedRoll second;
  std::optional<JointSums> sums;
  bool failed = false;  // a way through was beyond the bounds of the sums
};

bool sameRoll(const WalkedRoll& a, const WalkedRoll& b) {
  return a.reference == b.reference && a.site == b.site;
}

// The pairs of rolls of an entry's line, as they come up, with a way to
// find each again.
class RollPairs {
 public:
  std::vector<RollPair>& all() { return pairs_; }

  // Returns the pair of `a` and `b`, added when new; null once there are
  // too many.
  RollPair* find(const WalkedRoll& a, const WalkedRoll& b) {
    const Key key{keyOf(a), keyOf(b)};
    if (const auto it = index_.find(key); it != index_.end()) return &pairs_[it->second];
    if (pairs_.size() >= kMostPairs) return nullptr;
    index_.emplace(key, pairs_.size());
    return &pairs_.emplace_back(RollPair{a, b, std::nullopt, false});
  }

 private:
  using RollKey = std::tuple<std::size_t, std::uintptr_t, int, std::size_t, std::size_t>;
  using Key = std::pair<RollKey, RollKey>;
  static RollKey keyOf(const WalkedRoll& r) {
    return {r.reference, reinterpret_cast<std::uintptr_t>(r.site.file), r.site.table, r.site.run,
            r.site.offset};
  }
  std::vector<RollPair> pairs_;
  std::map<Key, std::size_t> index_;
};

// Gathers the pairs of rolls of every way through the line.
void gatherPairs(const WalkedPath& path, JointDice& dice, RollPairs& pairs) {
  for (std::size_t j = 1; j < path.rolls.size(); ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      const WalkedRoll& a = path.rolls[i];
      const WalkedRoll& b = path.rolls[j];
      // Rolls that one reference brings in meet in the entry that holds them.
      if (a.reference == b.reference) continue;
      RollPair* pair = pairs.find(a, b);
      if (pair == nullptr || pair->failed) continue;
      double scale = 1;
      const JointSums* sums = dice.sums(a.parts, b.parts, path.picks, scale);
      if (sums == nullptr) {
        pair->failed = true;
        continue;
      }
      scale *= path.chance;
      if (!pair->sums) {
        pair->sums = *sums;
        for (double& p : pair->sums->chances) p *= scale;
      } else {
        std::vector<double>& into = pair->sums->chances;
        for (std::size_t k = 0; k < into.size(); ++k) into[k] += sums->chances[k] * scale;
      }
    }
  }
}

std::int32_t totalOf(const DiceParts& parts, std::int64_t sum) {
  const auto m = static_cast<std::uint32_t>(parts.modifier);
  const auto s = static_cast<std::uint32_t>(sum);
  return static_cast<std::int32_t>(parts.positive ? s + m : s - m);
}

// Fills in how the totals of `pair` go together from `sums`. Returns false
// when they do not: every pair of totals comes up.
bool relate(const RollPair& pair, const JointSums& sums, TiedPair& tied) {
  std::set<std::int32_t> firsts, seconds;
  double whole = 0;
  for (double p : sums.chances) whole += p;
  if (whole <= 0) return false;
  bool first = true;
  tied.sameDifference = true;
  for (std::size_t a = 0; a < sums.widthFirst; ++a) {
    for (std::size_t b = 0; b < sums.widthSecond; ++b) {
      const double p = sums.at(a, b);
      if (p <= 0) continue;
      const std::int32_t x =
          totalOf(pair.first.parts, sums.lowestFirst + static_cast<std::int64_t>(a));
      const std::int64_t second = sums.sameDice ? sums.lowestFirst + static_cast<std::int64_t>(a)
                                                : sums.lowestSecond + static_cast<std::int64_t>(b);
      const std::int32_t y = totalOf(pair.second.parts, second);
      const std::int64_t d = static_cast<std::int64_t>(y) - x;
      if (first) tied.difference = d;
      tied.sameDifference = tied.sameDifference && d == tied.difference;
      first = false;
      firsts.insert(x);
      seconds.insert(y);
      tied.totals.push_back(TotalPair{x, y, p / whole});
    }
  }
  std::sort(tied.totals.begin(), tied.totals.end(), [](const TotalPair& l, const TotalPair& r) {
    return std::tie(l.first, l.second) < std::tie(r.first, r.second);
  });
  tied.pairs = tied.totals.size();
  tied.possible = firsts.size() * seconds.size();
  return tied.sameDifference || tied.pairs < tied.possible;
}

// Fills in how the totals of `pair` go together where not every way through
// the line was followed: only dice alike are sure to be tied, each die
// showing the same face, whatever the picks between them; the totals are
// then the dice's alone. Returns false for other dice.
bool relateSameDice(const RollPair& pair, JointDice& dice, TiedPair& tied) {
  const DiceParts& a = pair.first.parts;
  const DiceParts& b = pair.second.parts;
  if (!sameDice(a, b)) return false;
  double scale = 1;
  if (const JointSums* sums = dice.sums(a, b, {}, scale)) return relate(pair, *sums, tied);
  tied.sameDifference = true;
  tied.difference = static_cast<std::int64_t>(totalOf(b, 0)) - totalOf(a, 0);
  return true;
}

// Describes a roll of an entry's line for the report.
class RollNamer {
 public:
  RollNamer(const DataFile& file, const EntryLines* lines, int table, std::size_t run)
      : file_(file), lines_(lines), table_(table), run_(run) {
    parsed_ = parseEntry(file.table(table).run(run).text);
  }

  TiedRoll name(const WalkedRoll& roll) const {
    TiedRoll named;
    const std::string_view text = roll.site.file->table(roll.site.table).run(roll.site.run).text;
    const ReferenceSpan span = findReference(text.substr(roll.site.offset));
    named.expression =
        std::string(classifyReference(span.inner(text.substr(roll.site.offset))).dice);
    named.reference = roll.reference;
    const std::string_view entry = file_.table(table_).run(run_).text;
    const Reference& by = parsed_.references[roll.reference];
    named.own = roll.site.file == &file_ && roll.site.table == table_ && roll.site.run == run_ &&
                by.target.kind == ReferenceTarget::Kind::Dice &&
                static_cast<std::size_t>(by.inner.data() - entry.data()) == roll.site.offset + 1;
    named.via = shown(by);
    named.table = roll.site.table;
    if (roll.site.file != &file_) {
      named.file = roll.site.file->filename();
      named.line = roll.site.file->table(roll.site.table).runLine(roll.site.run);
    } else if (lines_ != nullptr) {
      const auto& runLines = (*lines_)[static_cast<std::size_t>(roll.site.table)];
      if (roll.site.run < runLines.size()) named.line = runLines[roll.site.run];
    }
    return named;
  }

 private:
  const DataFile& file_;
  const EntryLines* lines_;
  int table_;
  std::size_t run_;
  ParsedEntry parsed_;
};

std::vector<TiedPair> strongestTies(std::vector<std::pair<const RollPair*, TiedPair>> tied);

// Adds the pairs of the entry's own rolls to `pairs`, those not there yet
// without sums.
void addOwnPairs(const DataFile& file, int table, std::size_t run, RollPairs& pairs) {
  const std::string_view text = file.table(table).run(run).text;
  std::vector<WalkedRoll> own;
  const ParsedEntry parsed = parseEntry(text);
  for (std::size_t k = 0; k < parsed.references.size(); ++k) {
    const Reference& r = parsed.references[k];
    DiceParts parts{};
    if (r.target.kind != ReferenceTarget::Kind::Dice || !readDiceExpression(r.target.dice, parts) ||
        !comparableDice(parts)) {
      continue;
    }
    const auto open = static_cast<std::size_t>(r.inner.data() - text.data()) - 1;
    own.push_back(WalkedRoll{k, RollSite{&file, table, run, open}, parts});
  }
  for (std::size_t j = 1; j < own.size(); ++j) {
    for (std::size_t i = 0; i < j; ++i) {
      RollPair* pair = pairs.find(own[i], own[j]);
      if (pair != nullptr && !pair->sums) pair->failed = true;
    }
  }
}

// Returns the tied pairs of the line of run `run` of table `table`: each
// later roll with the earliest roll it goes with.
std::vector<TiedPair> tiesOf(const DataFile& file, const EntryLines* lines, int table,
                             std::size_t run, JointDice& dice, Spent& spent) {
  WalkLimits limits;
  limits.states = std::min(limits.states, kMostStates - std::min(spent.states, kMostStates));
  limits.work = std::min(limits.work, kMostWork - std::min(spent.work, kMostWork));
  RollPairs found;
  const WalkResult walk = walkEntry(
      file, table, run, limits, [&](const WalkedPath& path) { gatherPairs(path, dice, found); });
  spent.states += walk.states;
  spent.work += walk.work;
  // Where the walk was cut short, the entry's own rolls are compared all
  // the same, whether or not a way through reached them.
  if (!walk.complete) addOwnPairs(file, table, run, found);
  std::vector<RollPair>& pairs = found.all();
  // Each later roll goes with the earliest roll it is tied to: the rolls of
  // one reference come before those of the next.
  std::stable_sort(pairs.begin(), pairs.end(), [](const RollPair& a, const RollPair& b) {
    return std::tie(a.second.reference, a.first.reference) <
           std::tie(b.second.reference, b.first.reference);
  });
  const RollNamer namer(file, lines, table, run);
  // Each pair that is tied, beside the pair it comes from.
  std::vector<std::pair<const RollPair*, TiedPair>> tied;
  for (const RollPair& pair : pairs) {
    TiedPair tie;
    tie.exact = walk.complete && !pair.failed && pair.sums.has_value();
    if (tie.exact ? !relate(pair, *pair.sums, tie) : !relateSameDice(pair, dice, tie)) continue;
    tie.first = namer.name(pair.first);
    tie.second = namer.name(pair.second);
    tied.emplace_back(&pair, std::move(tie));
  }
  return strongestTies(std::move(tied));
}

// Returns, for each later roll in turn, its strongest tie: to a roll whose
// total it always shows plus the same number, else to a roll of the
// earliest reference it is tied to, the one with the fewest pairs of totals.
std::vector<TiedPair> strongestTies(std::vector<std::pair<const RollPair*, TiedPair>> tied) {
  const auto rank = [](const std::pair<const RollPair*, TiedPair>& t) {
    const TiedPair& p = t.second;
    return std::make_tuple(
        !p.sameDifference, t.first->first.reference,
        p.sameDifference ? 0.0 : static_cast<double>(p.pairs) / static_cast<double>(p.possible));
  };
  std::vector<TiedPair> ties;
  std::vector<const RollPair*> done;  // the later rolls already related
  for (std::size_t i = 0; i < tied.size(); ++i) {
    const RollPair* later = tied[i].first;
    if (std::any_of(done.begin(), done.end(),
                    [&](const RollPair* p) { return sameRoll(p->second, later->second); })) {
      continue;
    }
    std::size_t best = i;
    for (std::size_t j = i + 1; j < tied.size(); ++j) {
      const RollPair* other = tied[j].first;
      if (sameRoll(other->second, later->second) && rank(tied[j]) < rank(tied[best])) best = j;
    }
    done.push_back(later);
    ties.push_back(std::move(tied[best].second));
  }
  return ties;
}

}  // namespace

std::vector<TiedEntry> findTiedRolls(const DataFile& file, const EntryLines* lines) {
  const RollReach reach(file);
  JointDice dice;
  Spent spent;
  std::vector<TiedEntry> found;
  for (int t = 0; t < TABLE_COUNT; ++t) {
    const Table& table = file.table(t);
    for (std::size_t i = 0; i < table.runCount(); ++i) {
      if (!worthWalking(reach, table.run(i).text)) continue;
      std::vector<TiedPair> pairs = tiesOf(file, lines, t, i, dice, spent);
      if (pairs.empty()) continue;
      TiedEntry entry;
      entry.table = t;
      entry.run = i;
      if (lines != nullptr && i < (*lines)[static_cast<std::size_t>(t)].size()) {
        entry.line = (*lines)[static_cast<std::size_t>(t)][i];
      }
      entry.pairs = std::move(pairs);
      found.push_back(std::move(entry));
    }
  }
  return found;
}

namespace {

std::string ordinal(std::size_t index) {
  static const char* const kOrdinals[] = {"first", "second",  "third",  "fourth", "fifth",
                                          "sixth", "seventh", "eighth", "ninth",  "tenth"};
  if (index < std::size(kOrdinals)) return kOrdinals[index];
  return "roll " + std::to_string(index + 1);
}

// Returns the entry's reference that brings `roll` in, as written, with its
// place among references written alike.
std::string viaName(const TiedRoll& roll, const CheckedEntry& entry) {
  std::size_t alike = 0, before = 0;
  for (std::size_t k = 0; k < entry.references.size(); ++k) {
    if (shown(entry.references[k].reference) != roll.via) continue;
    ++alike;
    if (k < roll.reference) ++before;
  }
  return alike > 1 ? "the " + ordinal(before) + " " + roll.via : roll.via;
}

// Returns how the report names `roll` of `entry`: as the later roll of a
// pair, or as the earlier one.
std::string rollName(const TiedRoll& roll, const CheckedEntry& entry, bool later) {
  const std::string written = "(random" + roll.expression + ")";
  if (roll.own) {
    std::size_t dice = 0;
    for (std::size_t k = 0; k < roll.reference && k < entry.references.size(); ++k) {
      if (entry.references[k].outcome == ReferenceOutcome::Dice) ++dice;
    }
    return "the " + ordinal(dice) + (later ? " roll, " + written + "," : ", " + written);
  }
  std::string where = roll.file.empty() ? "" : " in " + roll.file;
  if (roll.line > 0) {
    where += (roll.file.empty() ? " on line " : " at line ") + std::to_string(roll.line);
  } else if (roll.file.empty()) {
    where += " in table " + std::to_string(roll.table);
  }
  return "the roll " + written + where + ", which " + viaName(roll, entry) + " brings in" +
         (later ? "," : "");
}

std::string clause(const TiedPair& pair, const CheckedEntry& entry) {
  const std::string later = rollName(pair.second, entry, true);
  const std::string earlier = rollName(pair.first, entry, false);
  if (pair.sameDifference && pair.difference == 0) return later + " always equals " + earlier;
  if (pair.sameDifference) {
    const std::int64_t d = pair.difference;
    return later + " is always " + earlier + (d > 0 ? ", plus " : ", minus ") +
           std::to_string(d > 0 ? d : -d);
  }
  return later + " goes with " + earlier + " (of the " + std::to_string(pair.possible) +
         " pairs of their totals, only " + std::to_string(pair.pairs) + " ever come up)";
}

// The clauses one warning spells out; the rest are counted.
constexpr std::size_t kMostClauses = 3;

}  // namespace

void checkTiedRolls(AnalysedFile& file) {
  for (const TiedEntry& tied : findTiedRolls(file.file(), &file.facts().lines)) {
    const CheckedEntry& entry = file.entries(tied.table)[tied.run];
    std::string ties;
    bool across = false;
    for (std::size_t k = 0; k < tied.pairs.size(); ++k) {
      const TiedPair& pair = tied.pairs[k];
      across = across || !pair.first.own || !pair.second.own;
      if (k >= kMostClauses) continue;
      if (!ties.empty()) ties += "; ";
      ties += clause(pair, entry);
    }
    if (tied.pairs.size() > kMostClauses) {
      const std::size_t more = tied.pairs.size() - kMostClauses;
      ties += "; " + std::to_string(more) +
              (more == 1 ? " more roll of this line goes with an earlier one"
                         : " more rolls of this line go with earlier ones") +
              " (weft-check -S shows which totals come together)";
    }
    const std::size_t at = tied.pairs.front().second.reference;
    file.pointAt(at < entry.references.size() ? file.spanOf(entry, entry.references[at].reference)
                                              : Span{});
    const std::string table =
        "take the totals that go together from a table of their own (\"%table 8\" with lines "
        "such as \"20 by 30\"), referred to once";
    file.add(entry.line, Severity::Warning,
             "rolls tied by the clock: every roll starts weft's random numbers again from the "
             "clock's second, so " +
                 ties,
             across ? "let one roll stand in the line: roll in only one of the entries that come "
                      "together here, or " +
                          table
                    : "roll once in the line, or " + table);
    file.pointAt({});
  }
}

}  // namespace weft::check
