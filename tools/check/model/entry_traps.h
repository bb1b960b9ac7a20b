// The traps of entry lines: of a data file's entries (a colon that starts a
// frequency, a "#" that cuts a number sign off, blanks before a "%" or a
// comment) and of an element file's names (comments, directives and
// frequencies that an element file does not have).
#pragma once

#include <cstdint>
#include <string_view>

#include "datafile/line_kind.h"
#include "model/file_facts.h"
#include "model/line_being_read.h"

namespace weft::check {

// Checks the entry line `text` of a data file, at `line`, as `read` says
// weft reads it; `dropped` when it was dropped for a frequency below 1.
void checkEntryLine(LineBeingRead& reading, std::uint64_t line, std::string_view text,
                    const ClassifiedLine& read, bool dropped);

// Checks the name line `text` of an element file, at `line`; a misspelt
// section line goes into `facts`.
void checkElementLine(LineBeingRead& reading, FileFacts& facts, std::uint64_t line,
                      std::string_view text);

}  // namespace weft::check
