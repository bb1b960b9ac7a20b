// The clock of weft's WebAssembly build. The page chooses the second a run
// starts from (so that a run can be repeated exactly); without one the
// program reads the browser's clock as usual.
#include <emscripten/emscripten.h>

#include <cstdint>

#include "support/clock.h"

namespace {

std::int64_t frozenSecond = 0;

std::int64_t frozenClock() { return frozenSecond; }

}  // namespace

// Makes every reading of the clock return the second high * 2^32 + low.
extern "C" EMSCRIPTEN_KEEPALIVE void weftFreezeClock(std::int32_t high, std::uint32_t low) {
  frozenSecond = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low);
  weft::setClock(frozenClock);
}
