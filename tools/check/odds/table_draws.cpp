#include "odds/table_draws.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "odds/draws.h"

namespace weft::check {

const Odds& TableDraws::choicesOf(int table) {
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

const std::vector<std::uint32_t>& TableDraws::choiceOfDraw(int table) {
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

bool TableDraws::satisfies(std::uint32_t r, const std::vector<DrawConstraint>& constraints) {
  for (const DrawConstraint& c : constraints) {
    if (c.table >= 0 && choiceOfDraw(c.table)[r] != c.tag) return false;
    if (c.table == DrawConstraint::kDie && r % c.modulus != c.tag) return false;
  }
  return true;
}

const std::vector<std::uint64_t>& TableDraws::countsGiven(
    const std::vector<DrawConstraint>& constraints, const DrawConstraint& target,
    std::size_t values, bool& estimated) {
  std::vector<DrawConstraint> key = constraints;
  std::sort(key.begin(), key.end());
  key.push_back(target);
  auto it = conditional_.find(key);
  if (it == conditional_.end()) {
    const std::uint64_t checks = kDraws * (constraints.size() + 1);
    if (!constraints.empty() && checks_ + checks > checkLimit_) {
      estimated = true;
      return countsGiven({}, target, values, estimated);
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

Odds weighted(const Odds& choices, const std::vector<std::uint64_t>& counts) {
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

}  // namespace weft::check
