#include "support/random_source.h"

namespace weft {

RandomSource& randomSource() {
  static RandomSource source;
  return source;
}

}  // namespace weft
