#include "support/settings.h"

namespace weft {

RunSettings& runSettings() {
  static RunSettings settings;
  return settings;
}

}  // namespace weft
