// The checks of each reference of an entry: what it names, and whether its
// dice expression reads.
#pragma once

#include "model/analysed_file.h"

namespace weft::check {

// Adds the findings about the references of `file`.
void checkReferences(AnalysedFile& file);

}  // namespace weft::check
