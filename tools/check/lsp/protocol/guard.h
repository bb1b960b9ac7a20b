// The guard around every piece of the server's work: whatever stops a piece
// (an Ending from loading, memory running out, any other exception) is
// caught and said in words, so that the server goes on answering.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace weft::check::lsp {

// Runs `work`. Returns nothing when it finished, else what stopped it: an
// Ending's message (its status in words when it has none), "out of memory"
// for std::bad_alloc, another exception's own words.
std::optional<std::string> guarded(const std::function<void()>& work);

}  // namespace weft::check::lsp
