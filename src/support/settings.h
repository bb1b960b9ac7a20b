// Run-wide settings, set from the command line and read while loading.
#pragma once

#include <cstdint>

namespace weft {

struct RunSettings {
  std::int32_t debugLevel = 0;     // raised by each -d
  std::int32_t maxFrequency = 50;  // cap on an entry's frequency (-m)
};

RunSettings& runSettings();

}  // namespace weft
