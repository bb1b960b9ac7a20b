#include "support/clock.h"

#include <ctime>

namespace weft {

std::int64_t SystemClock::now() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace weft
