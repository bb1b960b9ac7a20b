// The framing of messages on a byte stream, as editors start a server: a
// header block with a "Content-Length", a blank line, then the message.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace weft::check::lsp {

// Takes the first whole message out of `buffer`, or returns nothing until
// one has come in whole. A header block without a length is dropped;
// `broken` is set for a length beyond reason (more than 256 MiB).
std::optional<std::string> takeMessage(std::string& buffer, bool& broken);

// Returns `message` with its header.
std::string framed(std::string_view message);

}  // namespace weft::check::lsp
