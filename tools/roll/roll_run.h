// weft-roll as a process: the data files loaded as weft loads them, and
// their lines rolled, searched for and shown.
#pragma once

#include "support/clock.h"
#include "support/console.h"

namespace weft::roll {

// Runs weft-roll over `argv` with the system's files, writing on `console`
// and taking the first second from `clock` unless --at gives it. Returns
// the status to exit with.
int rollMain(int argc, char** argv, Console& console, Clock& clock);

}  // namespace weft::roll
