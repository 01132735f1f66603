// What the emulator tools and tests share: the simulated station a sensor configuration names,
// and a wall clock for the emulated chips.
#pragma once

#include <cstdint>

#include "onewire/sim/chip.h"
#include "onewire/sim/station.h"
#include "onewire/station_config.h"

namespace wm033::onewire::sim {

// The simulated station that a sensor configuration names, as the program builds it.
StationPlan PlanFromConfig(const StationConfig& cfg, uint64_t seed);

// Wall-clock time for the emulated chips, its tick counter running `rate` times as fast (the
// program's WM033_CLOCK_RATE), so conversions end when the program's waits do.
class WallClock : public SimClock {
 public:
  explicit WallClock(double rate = 1.0);
  uint32_t Ticks() override;
  double Now() override;

 private:
  double rate_;
  int64_t start_us_;
};

}  // namespace wm033::onewire::sim
