// UTF-8 as the JSON report and the language server read it.
#pragma once

#include <cstddef>
#include <string_view>

namespace weft::check {

// Returns the length of the valid UTF-8 sequence at the start of `text`, or
// 0 when it does not start with one (ASCII, overlong forms and surrogates
// included).
std::size_t utf8Length(std::string_view text);

}  // namespace weft::check
