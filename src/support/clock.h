// The calendar clock in whole seconds. Tests and the page replace it to make
// runs repeat.
#pragma once

#include <cstdint>

namespace weft {

class Clock {
 public:
  virtual ~Clock() = default;

  // Returns the calendar time in whole seconds since 1970-01-01 00:00 UTC.
  virtual std::int64_t now() = 0;
};

// The system's clock, read through the C library's time(), so that a test can
// freeze the shipped binary's clock with a preloaded library without any
// change to the program.
class SystemClock final : public Clock {
 public:
  std::int64_t now() override;
};

// A clock that stands still at the second it is set to.
class FixedClock final : public Clock {
 public:
  explicit FixedClock(std::int64_t seconds = 0) : seconds_(seconds) {}
  std::int64_t now() override { return seconds_; }
  void set(std::int64_t seconds) { seconds_ = seconds; }

 private:
  std::int64_t seconds_;
};

}  // namespace weft
