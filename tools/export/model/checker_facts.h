// What weft-check already knows that the export reads too: how an entry
// splits into references, and which bytes are UTF-8. The only door to the
// checker's library, so that its headers are named in one place.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "generate/reference.h"

namespace weft::exporter {

// One reference of an entry: the offsets of its "(" and ")" and what it names.
struct EntryReference {
  std::size_t open;
  std::size_t close;
  ReferenceTarget target;
};

// An entry as generation walks it when what its references bring in holds no
// parenthesis of its own.
struct EntrySplit {
  std::vector<EntryReference> references;
  bool unmatchedOpen = false;  // a "(" with no ")" behind it stays as text
};

EntrySplit splitEntry(std::string_view entry);

// Returns the length of the valid UTF-8 sequence at the start of `text`, or 0
// when it does not start with one (ASCII included).
std::size_t utf8SequenceLength(std::string_view text);

}  // namespace weft::exporter
