// The calendar clock in whole seconds. Tests replace it to make runs repeat.
#pragma once

#include <cstdint>

namespace weft {

using ClockFunction = std::int64_t (*)();

// Returns the calendar time in whole seconds since 1970-01-01 00:00 UTC.
std::int64_t currentTime();

// Makes currentTime() call `clock` (nullptr restores the system clock).
// Returns the clock that was in use.
ClockFunction setClock(ClockFunction clock);

}  // namespace weft
