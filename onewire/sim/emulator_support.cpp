#include "onewire/sim/emulator_support.h"

#include <chrono>
#include <ctime>

namespace wm033::onewire::sim {

namespace {
using Clock = std::chrono::steady_clock;
using Us = std::chrono::microseconds;
constexpr double kDayCountOfEpoch = 25569.0;  // 1 January 1970 as a day count
}  // namespace

StationPlan PlanFromConfig(const StationConfig& cfg, uint64_t seed) {
  StationPlan plan;
  plan.seed = seed;
  plan.wind_dir_table = cfg.wind_dir_table;
  plan.wind_dir_rotation = cfg.wind_dir_rotation;
  for (int slot = 0; slot < static_cast<int>(cfg.chips.size()); ++slot) {
    const ConfiguredChip& c = cfg.chips[slot];
    if (!c.rom) continue;
    StationSlot s;
    s.slot = slot;
    s.rom = *c.rom;
    s.counter_page = c.counter_page == 15 ? 15 : 14;
    plan.slots.push_back(s);
  }
  return plan;
}

WallClock::WallClock(double rate)
    : rate_(rate > 0 ? rate : 1.0),
      start_us_(std::chrono::duration_cast<Us>(Clock::now().time_since_epoch()).count()) {}

uint32_t WallClock::Ticks() {
  const int64_t us = std::chrono::duration_cast<Us>(Clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(
      static_cast<int64_t>(static_cast<double>(us - start_us_) / 1000.0 * rate_));
}

double WallClock::Now() {
  return kDayCountOfEpoch + static_cast<double>(std::time(nullptr)) / 86400.0;
}

}  // namespace wm033::onewire::sim
