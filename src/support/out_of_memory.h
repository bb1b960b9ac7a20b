// Running out of memory as a way a run ends. Data files can ask for more
// memory than there is (a file list naming a large file thousands of
// times), and that ends the run with a diagnostic, not a crash.
#pragma once

namespace weft {

class Console;

// From now on an allocation that fails ends the process: memory set aside
// here is given back, so that `message` can still be written as
// writeEnding() writes it (standard output flushed first), and the status is
// ExitStatus::OutOfMemory. A long-lived front end that must go on calls
// nothing and catches std::bad_alloc around each piece of work instead.
void endRunOnOutOfMemory(Console& console, const char* message);

}  // namespace weft
