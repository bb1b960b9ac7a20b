// How the language server checks the data file of a buffer.
#pragma once

#include <functional>
#include <string>

#include "checker/checker.h"
#include "support/engine.h"

namespace weft::check::lsp {

// Checks the data file `name` in the working directory of `engine.files`,
// with the odds of every file it loads; `searchLines` adds the search of the
// lines of table 0. The server calls checkDataFile; a test or a fuzzer may
// put its own function in that place.
using CheckFunction =
    std::function<CheckResult(Engine& engine, const std::string& name, bool searchLines)>;

}  // namespace weft::check::lsp
