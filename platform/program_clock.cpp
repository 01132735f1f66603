#include "platform/program_clock.h"

#include <time.h>

#include <cmath>

#include "datalog/timestamp.h"

namespace wm033 {
namespace {

double MonotonicSeconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

double RealtimeSeconds() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9;
}

}  // namespace

ProgramClock::ProgramClock(double rate, std::optional<int64_t> start_epoch)
    : rate_(rate > 0 ? rate : 1.0),
      real_time_(rate_ == 1.0 && !start_epoch),
      start_epoch_(start_epoch ? static_cast<double>(*start_epoch) : RealtimeSeconds()),
      start_mono_(MonotonicSeconds()),
      start_tick_(static_cast<uint32_t>(static_cast<uint64_t>(MonotonicSeconds() * 1000.0))) {}

double ProgramClock::EpochSeconds() const {
  if (real_time_) return RealtimeSeconds();
  return start_epoch_ + (MonotonicSeconds() - start_mono_) * rate_;
}

double ProgramClock::Now() const {
  return LocalDayCount(EpochSeconds());
}

uint32_t ProgramClock::TickCount() const {
  const double elapsed_ms = (MonotonicSeconds() - start_mono_) * 1000.0 * rate_;
  return start_tick_ + static_cast<uint32_t>(static_cast<uint64_t>(elapsed_ms));
}

int64_t ProgramClock::RealMsFor(uint32_t ticks) const {
  if (ticks == 0) return 0;
  const double ms = std::ceil(ticks / rate_);
  return ms < 1 ? 1 : static_cast<int64_t>(ms);
}

double LocalDayCount(double epoch_seconds) {
  const double whole = std::floor(epoch_seconds);
  const time_t t = static_cast<time_t>(whole);
  tm local{};
  localtime_r(&t, &local);
  const double day = EncodeDayCount(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                    local.tm_hour, local.tm_min, local.tm_sec);
  return day + (epoch_seconds - whole) / 86400.0;
}

}  // namespace wm033
