// Texts for the fields that Foundry VTT shows as HTML.
#pragma once

#include <string>
#include <string_view>

namespace weft::exporter {

// Returns `text` as HTML that Foundry shows as those very characters: < > &
// " and ' are escaped, and an invisible word joiner (U+2060) breaks each
// sequence that Foundry's text enrichers would turn into a link or a roll:
// "[[" and "]]", "@" or "&" before a letter, and "://". `markupBefore` and
// `markupAfter` say that a link or roll of the export's own stands right
// before or after the text, so that a bracket at either end of it is kept
// apart from that one's. Sets `broken` when a word joiner went in.
std::string foundryHtml(std::string_view text, bool markupBefore, bool markupAfter, bool& broken);

// Returns `name` as the label of a link "@UUID[...]{label}": as foundryHtml,
// with the braces, which would end the label, left out.
std::string foundryLabel(std::string_view name);

}  // namespace weft::exporter
