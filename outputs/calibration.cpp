// [Readings] and [Calibration], and the calibrated values made from them.
#include "outputs/calibration.h"

#include <cmath>

#include "config/profile.h"
#include "outputs/health.h"

namespace wm033::outputs {

namespace {

constexpr const char* kFile = "C:\\WM033\\WM033ini2.txt";
constexpr double kCounterRange = 8388608.0;               // the counters keep 23 bits
constexpr double kMostCountsBetweenReadings = 1048576.0;  // more than this: a restart, not a wrap

// A real number key, or nullopt when missing or not a number (then with a problem named).
std::optional<double> RealKey(const config::Profile& p, const char* section, const char* key,
                              const char* fallback, std::vector<std::string>& problems) {
  const std::optional<std::string> text = p.Find(section, key);
  if (!text) return std::nullopt;
  double v = 0;
  if (config::ParseRealNumber(config::TrimBlanks(*text), v)) return v;
  problems.push_back(std::string("[") + section + "] " + key + "=" + *text + " in " + kFile +
                     " is not a number (write it with a full stop, like 0.25); " + fallback + ".");
  return std::nullopt;
}

std::optional<Linear> LinearKeys(const config::Profile& p, const char* slope_key,
                                 const char* offset_key, const char* fallback,
                                 std::vector<std::string>& problems) {
  const bool given = p.Find("Calibration", slope_key) || p.Find("Calibration", offset_key);
  const std::optional<double> slope = RealKey(p, "Calibration", slope_key, fallback, problems);
  const std::optional<double> offset = RealKey(p, "Calibration", offset_key, fallback, problems);
  if (!given || (p.Find("Calibration", slope_key) && !slope) ||
      (p.Find("Calibration", offset_key) && !offset))
    return std::nullopt;
  return Linear{slope.value_or(1.0), offset.value_or(0.0)};
}

std::optional<double> Finite(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

OutputSettings OutputSettingsFromText(std::string_view text, std::vector<std::string>& problems) {
  OutputSettings s;
  const config::Profile p = config::Profile::FromText(text);
  if (const auto interval = p.Find("Readings", "Interval")) {
    int32_t n = 0;
    if (config::ParseWholeNumber(config::TrimBlanks(*interval), n) && n >= 0)
      s.readings_interval_secs = n;
    else
      problems.push_back("[Readings] Interval=" + *interval + " in " + kFile +
                         " is not a whole number of seconds (0 switches the readings file off); " +
                         std::to_string(kDefaultReadingsInterval) + " seconds are used.");
  }
  Calibration& c = s.calibration;
  c.rain_mm_per_count = RealKey(p, "Calibration", "RainPerCount", "rain stays in counts", problems);
  c.wind_m_per_count =
      RealKey(p, "Calibration", "WindRunPerCount", "wind speed stays in counts", problems);
  c.pressure_hpa =
      LinearKeys(p, "PressureSlope", "PressureOffset", "pressure stays in its code", problems);
  c.humidity_rh =
      LinearKeys(p, "HumiditySlope", "HumidityOffset", "humidity stays in its code", problems);
  return s;
}

std::optional<Calibrated> CalibratedReading(const Calibration& c, int channel,
                                            const std::optional<Reading>& last,
                                            const std::optional<Reading>& previous) {
  switch (channel) {
    case 5:
      if (!c.rain_mm_per_count) return std::nullopt;
      if (!last) return Calibrated{std::nullopt, "mm"};
      return Calibrated{Finite(last->value * *c.rain_mm_per_count), "mm"};
    case 6: {
      if (!c.wind_m_per_count) return std::nullopt;
      Calibrated speed{std::nullopt, "m/s"};
      if (!last || !previous) return speed;
      const double seconds = (last->time - previous->time) * 86400.0;
      double counts = last->value - previous->value;
      if (counts < 0) counts += kCounterRange;  // the counter wrapped, or restarted
      if (!(seconds > 0) || counts > kMostCountsBetweenReadings) return speed;
      speed.value = Finite(counts * *c.wind_m_per_count / seconds);
      return speed;
    }
    case 8:
    case 9: {
      const std::optional<Linear>& l = channel == 8 ? c.pressure_hpa : c.humidity_rh;
      const char* unit = channel == 8 ? "hPa" : "%";
      if (!l) return std::nullopt;
      if (!last) return Calibrated{std::nullopt, unit};
      return Calibrated{Finite(l->slope * last->value + l->offset), unit};
    }
  }
  return std::nullopt;
}

}  // namespace wm033::outputs
