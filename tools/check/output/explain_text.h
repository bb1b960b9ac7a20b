// An explanation of weft-check --explain as text.
#pragma once

#include <string>

#include "explain/explain.h"

namespace weft::check {

// Returns the text form of `explanation`.
std::string describeExplanation(const Explanation& explanation);

// Returns the words of one step as the text form writes them, after the
// step's indentation.
std::string stepWords(const ExplainStep& step);

// Returns the text form's last line for a run that ended on a problem,
// without its indentation ("the run ends here, with exit status -3").
std::string endingWords(const Explanation& explanation);

}  // namespace weft::check
