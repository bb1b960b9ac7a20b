// Texts for the Markdown of Obsidian notes.
#pragma once

#include <string>
#include <string_view>

namespace weft::exporter {

// Returns `text` as Markdown that Obsidian shows as those very characters, in
// one table cell or a heading: a backslash goes before every character that
// Markdown or Obsidian reads as markup (| \ ` [ ] ^ < > & * _ ~ = $ % # @ !,
// a leading - or +, the ":" of "://" and the "." of "www."), so that the text
// makes no link, block id, roller, tag, comment, HTML element or heading of
// its own. A line end becomes a blank, and sets `lineEnd`.
std::string obsidianText(std::string_view text, bool& lineEnd);

// Returns `name` with every character that Obsidian does not allow in the
// name of a note or a link to it, or in a roller (\ / : * ? " < > | # ^ [ ] `, a leading
// ".") replaced by "-".
std::string obsidianNoteName(std::string_view name);

}  // namespace weft::exporter
