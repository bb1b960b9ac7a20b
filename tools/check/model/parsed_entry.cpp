#include "model/parsed_entry.h"

namespace weft::check {

ParsedEntry parseEntry(std::string_view entry) {
  ParsedEntry parsed;
  std::string_view rest = entry;
  while (true) {
    const ReferenceSpan span = findReference(rest);
    if (!span.found()) {
      parsed.hasText = parsed.hasText || !rest.empty();
      parsed.unmatchedOpen = span.open != std::string_view::npos;
      return parsed;
    }
    parsed.hasText = parsed.hasText || span.open > 0;
    const std::string_view inner = span.inner(rest);
    parsed.references.push_back(
        Reference{inner, classifyReference(inner),
                  static_cast<std::size_t>(rest.data() - entry.data()) + span.close + 1});
    rest.remove_prefix(span.close + 1);
  }
}

}  // namespace weft::check
