// An entry split into its references the way generation walks it.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "generate/reference.h"

namespace weft::check {

// One reference of an entry, as generation reads it: from a "(" to the first
// ")" behind it.
struct Reference {
  std::string_view inner;  // the text between the parentheses
  ReferenceTarget target;  // what it names
  std::size_t end;         // the offset just behind its ")" in the entry
};

// An entry split the way generation walks it when what references bring in
// holds no parenthesis of its own.
struct ParsedEntry {
  std::vector<Reference> references;
  bool hasText = false;        // some byte stands outside the references
  bool unmatchedOpen = false;  // a "(" with no ")" behind it stays as text
};

ParsedEntry parseEntry(std::string_view entry);

}  // namespace weft::check
