// An explanation of weft-check --explain as text.
#pragma once

#include <string>
#include <string_view>

#include "explain/explain.h"

namespace weft::check {

// Returns the text form of `explanation`.
std::string describeExplanation(const Explanation& explanation);

// Returns the words of one step as the text form writes them, after the
// step's indentation.
std::string stepWords(const LineStep& step);

// Returns the line of one step as the text form writes it, without its line
// feed: two blanks a level of depth, then `label` (weft-roll's number), then
// its words.
std::string stepLine(const LineStep& step, std::string_view label = {});

// Returns the text form's last line for a run that ended on a problem,
// without its indentation ("the run ends here, with exit status -3").
std::string endingWords(const Explanation& explanation);

}  // namespace weft::check
