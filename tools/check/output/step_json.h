// The steps of a line as JSON: the one form of weft-check --explain's steps
// and weft-roll's.
#pragma once

#include <cstddef>
#include <optional>

#include "output/json_text.h"
#include "roll/line_steps.h"

namespace weft::check {

// Returns `step` as JSON. Without `index`, as weft-check --explain writes
// it: its fields and, last, its words. With it, as weft-roll writes the
// steps of a line: its number (index + 1) first, the number of the step it
// hangs under, and its pick before what the step is; no words.
Json stepJson(const LineStep& step, std::optional<std::size_t> index = std::nullopt);

}  // namespace weft::check
