// Reference expansion: the references in parentheses of a picked entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/engine.h"

namespace weft {

class DataFile;

// Replaces the references in `text`, one per pass and always the leftmost,
// until none is left, and returns the result; the engine's expansion limits
// bound the work. A reference runs from the first
// "(" to the first ")" behind it. Its inner text is a dice roll when it holds
// "random", else a table reference when it holds "table", else the name of a
// data file that `file` lists. A reference that does not resolve repeats the
// replacement of the last one that did (or nothing). Text a replacement brings
// in is scanned again, before what stood behind the reference.
std::string expandReferences(Engine& engine, const DataFile& file, std::string text);

// The same expansion, written to `out` (whose old contents are dropped).
// `text` must not lie in `out`.
void expandInto(Engine& engine, const DataFile& file, std::string_view text, std::string& out);

}  // namespace weft
