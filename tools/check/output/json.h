// weft-check's report as JSON, for editors, scripts and the browser page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "explain/explain.h"
#include "model/report.h"
#include "odds/stats.h"

namespace weft::check {

// Returns `text` as a JSON string, quotes included. Valid UTF-8 is kept as it
// is; every byte that is not part of a valid UTF-8 sequence is written as the
// character of the same number, \u0080 to \u00ff (as if that byte were
// Latin-1), so that the result is always valid JSON.
std::string jsonString(std::string_view text);

// Returns the whole report as one JSON object followed by a line feed:
// the diagnostics, the summary, the exit status and, when `stats` is given,
// the odds of every file.
std::string jsonReport(const std::vector<Diagnostic>& diagnostics, std::size_t fileCount,
                       int status, const std::vector<FileOdds>* stats);

// Returns `explanation` (of weft-check --explain) as one JSON object followed
// by a line feed.
std::string jsonExplanation(const Explanation& explanation);

}  // namespace weft::check
