#include "model/checker_facts.h"

#include "model/analysis.h"
#include "text/utf8.h"

namespace weft::exporter {

EntrySplit splitEntry(std::string_view entry) {
  const check::ParsedEntry parsed = check::parseEntry(entry);
  EntrySplit split;
  split.unmatchedOpen = parsed.unmatchedOpen;
  for (const check::Reference& reference : parsed.references) {
    const auto open = static_cast<std::size_t>(reference.inner.data() - entry.data()) - 1;
    split.references.push_back({open, reference.end - 1, reference.target});
  }
  return split;
}

std::size_t utf8SequenceLength(std::string_view text) {
  return text.empty() ? 0 : check::utf8Length(text);
}

}  // namespace weft::exporter
