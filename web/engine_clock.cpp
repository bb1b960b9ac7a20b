// The clock of weft's WebAssembly build. The page chooses the second a run
// starts from (so that a run can be repeated exactly); without one the
// program reads the browser's clock as usual.
#include <emscripten/emscripten.h>

#include <cstdint>

#include "support/clock.h"

namespace {

class PageClock final : public weft::Clock {
 public:
  std::int64_t now() override { return frozen_ ? second_ : system_.now(); }
  void freeze(std::int64_t second) {
    second_ = second;
    frozen_ = true;
  }

 private:
  weft::SystemClock system_;
  std::int64_t second_ = 0;
  bool frozen_ = false;
};

PageClock pageClock;

}  // namespace

weft::Clock& processClock() { return pageClock; }

// Makes every reading of the clock return the second high * 2^32 + low.
extern "C" EMSCRIPTEN_KEEPALIVE void weftFreezeClock(std::int32_t high, std::uint32_t low) {
  pageClock.freeze(static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(static_cast<std::uint32_t>(high)) << 32) | low));
}
