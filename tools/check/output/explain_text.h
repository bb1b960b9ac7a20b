// An explanation of weft-check --explain as text.
#pragma once

#include <string>

#include "explain/explain.h"

namespace weft::check {

// Returns the text form of `explanation`.
std::string describeExplanation(const Explanation& explanation);

}  // namespace weft::check
