#include "odds/draws.h"

#include <algorithm>
#include <unordered_map>

#include "support/random_source.h"

namespace weft::check {

namespace {

constexpr std::uint64_t kDraws = kDrawRange;  // equally likely values of one draw

}  // namespace

std::uint64_t drawsOfPositions(std::uint64_t size, std::uint64_t first, std::uint64_t end) {
  // Draws r < x with r mod size < x, for x <= size.
  const auto below = [size](std::uint64_t x) {
    return (kDraws / size) * x + std::min(kDraws % size, x);
  };
  return below(end) - below(first);
}

std::vector<DistinctEntry> distinctEntries(const Table& table, std::size_t run) {
  std::vector<DistinctEntry> entries;
  std::unordered_map<std::string_view, std::size_t> index;
  std::uint64_t position = 0;
  for (std::size_t i = 0; i < table.runCount(); ++i) {
    const Table::Run stored = table.run(i);
    auto [it, inserted] = index.emplace(stored.text, entries.size());
    if (inserted) entries.push_back(DistinctEntry{stored.text});
    DistinctEntry& entry = entries[it->second];
    entry.positions += stored.count;
    entry.draws += drawsOfPositions(table.size(), position, position + stored.count);
    entry.holdsRun = entry.holdsRun || i == run;
    position += stored.count;
  }
  return entries;
}

}  // namespace weft::check
