// The simulated station: one emulated chip for every chip that the sensor configuration names,
// in the role of its line (k-o temperatures, p rain, q wind, r lightning, s pressure and t
// humidity on a DS2438's VAD, u the vane on a DS2450, v and w on/off counters), fed by the
// weather model.
#pragma once

#include <array>
#include <climits>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "onewire/sim/bus.h"
#include "onewire/sim/faults.h"
#include "onewire/sim/weather_model.h"

namespace wm033::onewire::sim {

struct StationSlot {
  int slot = 0;  // 0..12, line k + slot
  Rom rom{};
  uint8_t counter_page = 14;  // counter slots: the page whose counter the role drives
};

struct StationPlan {
  std::vector<StationSlot> slots;
  uint8_t wind_dir_table = 0;  // 0..6; tables e-g have no patterns and get table a's
  // The vane offset the program adds to the direction it reads (0..15): the vane is turned back
  // by it, so that the dial shows the weather's own direction.
  uint8_t wind_dir_rotation = 0;
  // Where the counters keep their counts across restarts (empty: they start afresh).
  std::string state_file;
  uint64_t seed = 20120823;
};

// The vane's level pattern ("2000") for a sector in a table (0..3; others use table a).
const char* VanePattern(int table, int sector);
// Volts on a vane output for a level character.
double VaneLevelVolts(char level);

class SimStation {
 public:
  SimStation(const StationPlan& plan, SimClock& clock);
  ~SimStation();  // keeps the counters' counts
  SimBus& bus() { return bus_; }
  const WeatherModel& model() const { return model_; }
  // Applies a fault set; chips see only what changed.
  void ApplyFaults(const FaultSet& faults);
  // The chip that configuration line `line` names (null when none).
  SimChip* ChipOfLine(char line);
  // What every chip measures now, one line each, its identity as 1-Wire hosts write it first:
  // "28.10A033050000 temperature=21.375" (tests compare other hosts' readings with these).
  std::vector<std::string> Truth() const;

 private:
  SimClock& clock_;
  WeatherModel model_;
  SimBus bus_;
  // A counter input of a DS2423, by chip and input ('A' or 'B').
  struct Input {
    std::string rom;
    char input;
    PulseCounter* counter;
  };
  // A counter's count now; the counts are saved once an hour of the clock has passed.
  uint32_t CountNow(PulseCounter& counter);
  void SaveCounts();

  std::vector<std::unique_ptr<PulseCounter>> counters_;
  std::vector<Input> inputs_;
  std::array<SimChip*, 13> by_slot_{};
  std::vector<std::function<std::string()>> truth_;
  int table_ = 0;
  int rotation_ = 0;
  std::string state_file_;
  int64_t saved_minute_ = INT64_MIN;
};

}  // namespace wm033::onewire::sim
