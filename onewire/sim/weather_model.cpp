#include "onewire/sim/weather_model.h"

#include <algorithm>
#include <cmath>

namespace wm033::onewire::sim {

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr int64_t kMinutesPerDay = 1440;
// The longest stretch of minutes summed one by one; a clock jump beyond it starts the count
// over at its current value (a station switched off for years).
constexpr int64_t kMaxCatchUpMinutes = 400LL * kMinutesPerDay;

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ULL;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
  return x ^ (x >> 31);
}

int64_t Floor(double x) {
  return static_cast<int64_t>(std::floor(x));
}
}  // namespace

double WeatherModel::Hash(uint64_t salt, int64_t k) const {
  const uint64_t h = Mix(seed_ ^ Mix(salt * 0x100000001B3ULL ^ static_cast<uint64_t>(k)));
  return static_cast<double>(h >> 11) / 9007199254740992.0;
}

double WeatherModel::Noise(uint64_t salt, double x) const {
  const int64_t k = Floor(x);
  const double f = x - static_cast<double>(k);
  const double s = f * f * (3 - 2 * f);
  const double a = Hash(salt, k) * 2 - 1, b = Hash(salt, k + 1) * 2 - 1;
  return a + (b - a) * s;
}

double WeatherModel::TemperatureC(int position, double day) const {
  const double frac = day - std::floor(day);
  // Day 0 is 30 Dec 1899; the warmest time of the year is late July.
  const double season = 10.0 - 8.0 * std::cos(2 * kPi * (day - 25.0) / 365.25);
  const double cloud = Noise(11, day / 1.5);
  const double swing = (5.0 - 2.0 * cloud) * std::cos(2 * kPi * (frac - 0.625));
  const double weather = 3.0 * Noise(12, day / 3.0) + 0.8 * Noise(13, day * 8.0);
  const double outdoor = season + swing + weather;
  switch (position) {
    case 1:  // indoors: heated, a little warmer in the evening
      return 20.5 + 1.2 * std::cos(2 * kPi * (frac - 0.8)) + 0.3 * Noise(14, day * 4.0);
    case 2:  // shaded: cooler, smaller swing
      return season + 0.6 * swing + weather - 1.0;
    case 3:  // soil: slow, lags the air
      return season + 0.25 * (5.0 * std::cos(2 * kPi * (frac - 0.8))) + 1.5 * Noise(12, day / 4.0);
    case 4:  // loft: between, and hot in the afternoon sun
      return 0.5 * (outdoor + 20.5) + 3.0 * std::max(0.0, std::cos(2 * kPi * (frac - 0.6)));
    default:
      return outdoor;
  }
}

double WeatherModel::PressureVolts(double day) const {
  const double v =
      5.0 + 2.2 * Noise(21, day / 2.5) + 0.5 * Noise(22, day / 0.4) + 0.02 * Noise(23, day * 200.0);
  return std::clamp(v, 0.0, 9.99);
}

double WeatherModel::HumidityVolts(double day) const {
  const double frac = day - std::floor(day);
  const double rh = 68.0 + 15.0 * std::cos(2 * kPi * (frac - 0.2)) + 12.0 * Noise(31, day / 2.0) +
                    25.0 * RainIntensity(Floor(day * 24.0));
  return std::clamp(rh / 10.0, 0.5, 9.99);
}

int WeatherModel::VaneSector(double day) const {
  const double hours = day * 24.0;
  // Prevailing south-west (sector 10), wandering by up to half a turn, shifting each minute.
  const double wander = 4.5 * Noise(41, hours / 3.0) + 2.0 * Noise(42, hours / 0.5);
  const double jitter = (Hash(43, Floor(day * kMinutesPerDay)) - 0.5) * 2.0;
  const int64_t sector = static_cast<int64_t>(std::lround(10.0 + wander + jitter));
  return static_cast<int>(((sector % 16) + 16) % 16);
}

double WeatherModel::RainIntensity(int64_t hour) const {
  const double wet = Noise(51, static_cast<double>(hour) / 7.0);
  const double shower = Hash(52, hour);
  if (wet < 0.25 || shower > 0.45 + wet) return 0.0;
  return std::min(1.0, (wet - 0.25) * 1.6 * (0.4 + Hash(53, hour)));
}

uint32_t WeatherModel::Pulses(PulseSource source, int64_t minute) const {
  const int64_t hour = minute >= 0 ? minute / 60 : (minute - 59) / 60;
  const double day = static_cast<double>(minute) / kMinutesPerDay;
  switch (source) {
    case PulseSource::Rain: {
      // A tipping bucket: up to 3 tips a minute in a downpour.
      const double rate = 3.0 * RainIntensity(hour);
      return static_cast<uint32_t>(rate * Hash(61, minute) + 0.3 * rate);
    }
    case PulseSource::Wind: {
      const double frac = day - std::floor(day);
      const double mean =
          std::max(0.0, 3.5 + 3.0 * Noise(62, day * 3.0) + 1.5 * std::cos(2 * kPi * (frac - 0.6)) +
                            4.0 * RainIntensity(hour));
      const double gust = 0.55 + 0.9 * Hash(63, minute);
      return static_cast<uint32_t>(mean * gust * 24.0);  // about 24 turns a minute per m/s
    }
    case PulseSource::Lightning: {
      const double storm = RainIntensity(hour);
      if (storm < 0.6 || Noise(64, static_cast<double>(hour) / 5.0) < 0.3) return 0;
      return Hash(65, minute) < 0.15 * storm ? 1 + static_cast<uint32_t>(Hash(66, minute) * 3) : 0;
    }
    case PulseSource::OnOff1:
    case PulseSource::OnOff2: {
      const uint64_t salt = source == PulseSource::OnOff1 ? 70 : 80;
      // About one event in six hours, at a random minute of its hour.
      if (Hash(salt, hour) > 1.0 / 6.0) return 0;
      const int64_t at = static_cast<int64_t>(Hash(salt + 1, hour) * 60.0);
      return minute - hour * 60 == at ? 1 : 0;
    }
    case PulseSource::Quiet:
      return 0;
  }
  return 0;
}

uint32_t PulseCounter::CountAt(double day) {
  if (minute_ != INT64_MIN && day <= last_day_) return last_;  // the clock went back
  const double minutes = day * kMinutesPerDay;
  const int64_t now_minute = Floor(minutes);
  if (minute_ == INT64_MIN || now_minute - minute_ > kMaxCatchUpMinutes) {
    if (minute_ != INT64_MIN) base_ = last_;
    minute_ = now_minute;
  }
  while (minute_ < now_minute) base_ += model_.Pulses(source_, minute_++);
  const double frac = minutes - static_cast<double>(now_minute);
  last_ = base_ + static_cast<uint32_t>(model_.Pulses(source_, minute_) * frac);
  last_day_ = day;
  return last_;
}

void PulseCounter::Restart(double day) {
  minute_ = Floor(day * kMinutesPerDay);
  last_ = 0;
  last_day_ = day;
  // The minute already under way counts only from here on.
  const uint32_t partial = static_cast<uint32_t>(
      model_.Pulses(source_, minute_) * (day * kMinutesPerDay - static_cast<double>(minute_)));
  base_ = 0u - partial;  // wraps so that base_ + partial is 0 now
}

std::optional<CounterState> PulseCounter::State() const {
  if (minute_ == INT64_MIN) return std::nullopt;
  return CounterState{minute_, base_};
}

void PulseCounter::Resume(const CounterState& s) {
  minute_ = s.minute;
  base_ = s.count;
  last_ = s.count;
  // A clock set back before the saved minute reads the saved count until it passes it.
  last_day_ = static_cast<double>(s.minute) / kMinutesPerDay;
}

}  // namespace wm033::onewire::sim
