#include "model/notes.h"

namespace weft::exporter {

void Notes::add(std::string_view kind, std::string_view text, std::uint64_t count) {
  for (Kind& known : kinds_) {
    if (known.kind == kind) {
      known.count += count;
      return;
    }
  }
  kinds_.push_back({std::string(kind), std::string(text), count});
}

std::uint64_t Notes::count(std::string_view kind) const {
  for (const Kind& known : kinds_) {
    if (known.kind == kind) return known.count;
  }
  return 0;
}

std::vector<std::string> Notes::lines() const {
  std::vector<std::string> lines;
  for (const Kind& known : kinds_) {
    lines.push_back("note: " + known.text + " (" + std::to_string(known.count) + ")");
  }
  return lines;
}

}  // namespace weft::exporter
