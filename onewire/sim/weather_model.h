// The weather the simulated MicroLan measures: a seeded model driven by the platform clock, so
// that a seed and a time always give the same readings. Temperatures swing over the day (coldest
// before dawn, warmest mid-afternoon) and the season; showers come and go; the wind is gusty and
// the vane wanders around a prevailing south-westerly; pressure drifts slowly; humidity runs
// against the temperature; lightning is rare and comes with heavy rain; the on/off inputs see
// occasional events. Counters are sums of pulses per minute of the clock.
#pragma once

#include <climits>
#include <cstdint>
#include <optional>

namespace wm033::onewire::sim {

enum class PulseSource { Rain, Wind, Lightning, OnOff1, OnOff2, Quiet };

class WeatherModel {
 public:
  explicit WeatherModel(uint64_t seed) : seed_(seed) {}

  // Degrees Celsius at temperature position 0..4 (0 outdoors, 1 indoors, 2 shaded, 3 soil,
  // 4 loft); other positions read like the outdoor air.
  double TemperatureC(int position, double day) const;
  // Barometer and humidity sensor outputs, volts 0..9.99.
  double PressureVolts(double day) const;
  double HumidityVolts(double day) const;
  // Vane sector 0..15 (0 north, clockwise).
  int VaneSector(double day) const;
  // Pulses of a counter input during one minute of the clock (minute = floor(day * 1440)).
  uint32_t Pulses(PulseSource source, int64_t minute) const;
  // Rain intensity 0..1 in an hour (0 = dry).
  double RainIntensity(int64_t hour) const;

  uint64_t seed() const { return seed_; }

 private:
  double Hash(uint64_t salt, int64_t k) const;  // uniform 0..1
  double Noise(uint64_t salt, double x) const;  // smooth, -1..1
  uint64_t seed_;
};

// Where a counter stands: its count at the start of a whole minute of the clock. The pulses of
// every later minute follow from the seed, so a count taken up from here is the one a counter
// that never stopped would show.
struct CounterState {
  int64_t minute = 0;
  uint32_t count = 0;
  bool operator==(const CounterState&) const = default;
};

// A cumulative pulse count over the clock: what a counter input has counted by `day`.
class PulseCounter {
 public:
  PulseCounter(const WeatherModel& model, PulseSource source, uint32_t start_count)
      : model_(model), source_(source), base_(start_count) {}
  // The count at `day`; never goes back when the clock does.
  uint32_t CountAt(double day);
  // Starts again from 0 at `day` (the chip lost its power).
  void Restart(double day);
  // Where the count stands (nullopt before the first reading).
  std::optional<CounterState> State() const;
  // Takes the count up from a saved state: the pulses since it are counted at the next reading.
  void Resume(const CounterState& s);

 private:
  const WeatherModel& model_;
  PulseSource source_;
  uint32_t base_;               // count at the start of minute `minute_`
  int64_t minute_ = INT64_MIN;  // first minute not yet summed into base_
  uint32_t last_ = 0;
  double last_day_ = 0;
};

}  // namespace wm033::onewire::sim
