#include "odds/draws.h"

#include <unordered_map>

namespace weft::check {

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
