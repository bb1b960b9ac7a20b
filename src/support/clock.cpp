#include "support/clock.h"

#include <ctime>

namespace weft {

namespace {

// Calls the C library's time(), so that a test can freeze the shipped binary's
// clock with a preloaded library without any change to the program.
std::int64_t systemClock() { return static_cast<std::int64_t>(std::time(nullptr)); }

ClockFunction activeClock = systemClock;

}  // namespace

std::int64_t currentTime() { return activeClock(); }

ClockFunction setClock(ClockFunction clock) {
  ClockFunction previous = activeClock;
  activeClock = clock != nullptr ? clock : systemClock;
  return previous;
}

}  // namespace weft
