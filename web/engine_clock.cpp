// The entry of weft's WebAssembly build that the page calls, once per run, in
// one loaded instance: each run is a fresh engine on the instance's files.
// The page chooses the second a run starts from (so that a run can be
// repeated exactly); without one the program reads the browser's clock.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/run.h"
#include "support/clock.h"
#include "support/console.h"
#include "support/spread_seconds.h"

namespace {

class PageClock final : public weft::Clock {
 public:
  std::int64_t now() override { return frozen_ ? second_ : system_.now(); }
  void freeze(std::int64_t second) {
    second_ = second;
    frozen_ = true;
  }
  void thaw() { frozen_ = false; }

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

// Makes the clock the browser's again.
extern "C" EMSCRIPTEN_KEEPALIVE void weftThawClock() { pageClock.thaw(); }

// Runs weft once over `argv` and returns the status it ends with, without
// ending the instance.
extern "C" EMSCRIPTEN_KEEPALIVE int weftRunOnce(int argc, char** argv) {
  weft::SystemConsole console;
  return weft::weftMain(argc, argv, console, pageClock);
}

// Returns what a run that ended with `status` did, in words, valid until
// the next call.
extern "C" EMSCRIPTEN_KEEPALIVE const char* weftStatusText(int status) {
  static std::string text;
  text = weft::exitStatusText(status);
  return text.c_str();
}

// Returns `count` seconds for independent lines from `start`, with the run's
// seed offset, in a block of doubles (whole numbers) that the caller frees;
// null when the block cannot be made. Doubles carry JavaScript's safe
// integers exactly.
extern "C" EMSCRIPTEN_KEEPALIVE double* weftSpreadSeconds(std::uint32_t count, double start,
                                                          double seedOffset) {
  const std::vector<std::int64_t> seconds = weft::spreadSeconds(
      count, static_cast<std::int64_t>(start), static_cast<std::int64_t>(seedOffset));
  auto* block = static_cast<double*>(std::malloc(sizeof(double) * (seconds.size() + 1)));
  if (block == nullptr) return nullptr;
  for (std::size_t i = 0; i < seconds.size(); ++i) block[i] = static_cast<double>(seconds[i]);
  return block;
}
