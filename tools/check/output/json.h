// weft-check's report as JSON, for editors, scripts and the browser page.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "explain/explain.h"
#include "model/report.h"
#include "odds/stats.h"

namespace weft::check {

// Returns the whole report as one JSON object followed by a line feed:
// the diagnostics, the summary, the exit status and, when `stats` is given,
// the odds of every file.
std::string jsonReport(const std::vector<Diagnostic>& diagnostics, std::size_t fileCount,
                       int status, const std::vector<FileOdds>* stats);

// Returns `explanation` (of weft-check --explain) as one JSON object followed
// by a line feed.
std::string jsonExplanation(const Explanation& explanation);

}  // namespace weft::check
