// weft-check --explain=SECOND on the command line.
#pragma once

#include "support/console.h"
#include "support/file_system.h"

namespace weft::check {

// Returns the index in `argv` of the first "--explain" or "--explain=..."
// element in front of any "--", or 0 when there is none.
int explainOptionIndex(int argc, char** argv);

// Runs weft's own driver over `argv` without its --explain element (and the
// value after a bare "--explain"), reading the files of `files` with the
// clock held at the second given, and writes on `console`'s standard output
// what weft writes on both of its streams, in the order written, each
// generated line followed by how it was made; with "--format=json" or "-j",
// the same as one JSON object. Returns 0 when weft's run reaches its end, 2
// when it ends on a problem or the command line is wrong.
// REQUIRES: explainOptionIndex(argc, argv) == index > 0
int runExplain(int argc, char** argv, int index, Console& console, FileSystem& files);

}  // namespace weft::check
