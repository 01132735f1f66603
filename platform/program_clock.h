// The program's clock: real time, or a sped-up clock (WM033_CLOCK_RATE) that may start at a
// given moment (WM033_CLOCK_START). Everything that measures time reads it.
#pragma once

#include <cstdint>
#include <optional>

namespace wm033 {

class ProgramClock {
 public:
  ProgramClock(double rate, std::optional<int64_t> start_epoch);
  double Rate() const { return rate_; }
  // Seconds since 1970 on the program's clock.
  double EpochSeconds() const;
  // Local date-time as a day count.
  double Now() const;
  // Milliseconds on the program's clock, wrapping at 2^32.
  uint32_t TickCount() const;
  // Real milliseconds that `ticks` of the program's clock take (at least 1 for a non-zero wait).
  int64_t RealMsFor(uint32_t ticks) const;

 private:
  double rate_;
  bool real_time_;
  double start_epoch_;
  double start_mono_;
  uint32_t start_tick_;
};

// Local day count of a moment given as seconds since 1970.
double LocalDayCount(double epoch_seconds);

}  // namespace wm033
