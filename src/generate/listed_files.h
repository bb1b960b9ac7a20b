// How a reference to a listed file is answered: the rules that generation
// follows, shared with the tools that reason about its lines.
#pragma once

#include <string>
#include <string_view>

#include "datafile/data_file.h"
#include "support/ascii.h"

namespace weft {

// Calls `visit` on every listed file of `file` named exactly `name`, in list
// order: each of them generates. Returns the last one, whose line answers
// the reference, or null when none is named so.
template <class Visit>
inline const DataFile* visitListedFiles(const DataFile& file, std::string_view name,
                                        Visit&& visit) {
  const DataFile* last = nullptr;
  for (const DataFile& subfile : file.subfiles()) {
    if (subfile.filename() != name) continue;
    visit(subfile);
    last = &subfile;
  }
  return last;
}

// Turns the line a listed file generated into its replacement text: the
// letters A to Z folded to lower case, so that only the case rule of the
// line it lands in raises them again.
inline void lowerListedLine(std::string& line) { foldToLower(line); }

}  // namespace weft
