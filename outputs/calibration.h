// The settings of the outputs beside the page: [Readings] (how often the readings file is
// written between page writes) and [Calibration] (readings in physical units). Read from the
// same settings file as the rest; a section that is missing leaves everything as it was before.
//
//   [Readings]
//   Interval=60            seconds between readings-file writes besides the page writes; 0: no
//                          readings file
//   [Calibration]
//   RainPerCount=0.2794    mm of rain per count of the rain counter
//   WindRunPerCount=2.4    m of wind run per count of the wind-speed counter
//   PressureSlope=0.1      hPa = slope x code + offset, from the pressure code (V x 100)
//   PressureOffset=950
//   HumiditySlope=0.1      %RH = slope x code + offset, from the humidity code
//   HumidityOffset=0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wm033::outputs {

struct Linear {
  double slope = 1;
  double offset = 0;
};

struct Calibration {
  std::optional<double> rain_mm_per_count;
  std::optional<double> wind_m_per_count;
  std::optional<Linear> pressure_hpa;
  std::optional<Linear> humidity_rh;
};

constexpr int32_t kDefaultReadingsInterval = 60;

struct OutputSettings {
  int32_t readings_interval_secs = kDefaultReadingsInterval;
  Calibration calibration;
};

// Reads the two sections from the text of a settings file; values that do not read keep their
// defaults and are named in `problems`, one message each.
OutputSettings OutputSettingsFromText(std::string_view text, std::vector<std::string>& problems);

// A calibrated value and its unit.
struct Calibrated {
  std::optional<double> value;  // null: not made yet
  std::string unit;
};

struct Reading;

// The calibrated form of a channel's latest reading, when the settings give one. The wind speed
// is the counts between the last two good readings over the time between them (a counter that
// restarted from a lower value gives no speed for that pair).
std::optional<Calibrated> CalibratedReading(const Calibration& c, int channel,
                                            const std::optional<Reading>& last,
                                            const std::optional<Reading>& previous);

}  // namespace wm033::outputs
