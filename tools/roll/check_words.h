// What weft-roll takes from weft-check: the words of its explanation, and
// its rule for bytes in JSON strings (the layers explain and output).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "roll/line_steps.h"

namespace weft::roll {

// Returns one line per step, in the words of weft-check --explain, each
// indented by two blanks per level as there (no line feed).
std::vector<std::string> stepWords(const std::vector<LineStep>& steps);

// Returns how many of the 32768 equally likely draws pick the entry line of
// `pick`, by the engine's rule of a pick.
std::uint64_t pickDraws(const StepPick& pick);

// Returns `bytes` as a JSON string, quotes included, as weft-check writes
// one: valid UTF-8 as it is, any other byte as the character of its number.
std::string jsonString(std::string_view bytes);

}  // namespace weft::roll
