// Texts for the chat commands of Roll20's TableExport script.
#pragma once

#include <string>
#include <string_view>

namespace weft::exporter {

// Returns `text` as the text of a table item that Roll20 shows as those very
// characters: an invisible word joiner (U+2060) breaks each sequence that
// Roll20's chat reads as a roll or a reference of its own ("[[" and "]]",
// "?{", "@{", "%{", "&{", and "#" before a letter, which calls a macro), also
// a bracket at an end that touches a roll of the export's own (`markupBefore`,
// `markupAfter`), and a line end becomes a blank. Sets `broken` for a word
// joiner and `lineEnd` for a line end.
std::string roll20Text(std::string_view text, bool markupBefore, bool markupAfter, bool& broken,
                       bool& lineEnd);

// Returns `argument` escaped as the TableExport script unescapes an item's
// text: "[" "]" "<" ">" as <%%91%%> <%%93%%> <%%60%%> <%%62%%>, " --" as
// [TABLEEXPORT:ESCAPE] and "--" as <%%-%%>, so that no text splits the
// command at " --" and no roll runs in the command itself.
std::string tableExportEscape(std::string_view argument);

}  // namespace weft::exporter
