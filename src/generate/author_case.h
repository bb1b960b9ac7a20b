// Lines in the case the author wrote: the line weft prints, made once more
// from the entries as written, through the same picks, rolls and splices.
#pragma once

#include <string>
#include <string_view>

#include "support/engine.h"

namespace weft {

class DataFile;

// How a line in the author's case ends. Printed: as weft prints its line,
// the first letter raised (an element file's words capitalised). Listed: as
// it comes into the line of the file that lists it, where weft lowers it: a
// plain file's line as written, an element file's with its words
// capitalised, since that file writes no case of its own.
enum class AuthorCase { Printed, Listed };

// Makes into `line` exactly the line that file.generateInto() makes, with the
// same draws, diagnostics and endings, and into `cased` the same line in the
// author's case: every entry as the data file writes it (the file loaded
// with RunSettings::keepCase; otherwise `cased` is `line`). Folding both to
// lower case gives the same text.
void generateKeepingCase(Engine& engine, const DataFile& file, std::string& line,
                         std::string& cased, AuthorCase rule = AuthorCase::Printed);

// The expansion of expandInto(), which writes `out`, carrying `author` (the
// same text in the author's case, of the same length) through the same
// splices into `authorOut`. Neither text may lie in either output.
void expandKeepingCase(Engine& engine, const DataFile& file, std::string_view text,
                       std::string_view author, std::string& out, std::string& authorOut);

}  // namespace weft
