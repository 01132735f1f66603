#include "display/graph_rules.h"

#include <cmath>

namespace wm033::display {
namespace {

// y from a remainder that may be negative (the remainder takes the sign of the dividend).
uint16_t FromRemainder(int64_t r) {
  if (r < 0) r += kWrapRows;
  return static_cast<uint16_t>(kBottomRow - r);
}

// Truncates towards zero into the 64-bit range; NaN gives 0.
int64_t TruncToInt64(long double x) {
  if (std::isnan(x)) return 0;
  constexpr long double kLimit = 9.0e18L;
  if (x > kLimit) return static_cast<int64_t>(kLimit);
  if (x < -kLimit) return -static_cast<int64_t>(kLimit);
  return static_cast<int64_t>(x);
}

}  // namespace

uint16_t CounterY(uint32_t raw, uint16_t m, uint16_t a) {
  const uint32_t scaled = (raw * static_cast<uint32_t>(m)) / kNeutralScale + a;
  return static_cast<uint16_t>(kBottomRow - static_cast<int32_t>(scaled % kWrapRows));
}

uint16_t TemperatureYOf(float v, uint16_t m, uint16_t a) {
  const long double divisor = (m == 0) ? kNeutralScale : m;
  const int64_t t = TruncToInt64(static_cast<long double>(v) * kNeutralScale / divisor);
  // t is within +-9e18, so adding a 16-bit offset cannot overflow.
  return FromRemainder((t + a) % kWrapRows);
}

uint16_t AnalogueYOf(int32_t v, uint16_t m, uint16_t a) {
  const int64_t t =
      TruncToInt64(static_cast<long double>(m) * v / kNeutralScale + static_cast<long double>(a));
  return FromRemainder(t % kWrapRows);
}

uint16_t OnOffYOf(int32_t n, uint16_t m, uint16_t a) {
  const auto product = static_cast<int32_t>(static_cast<uint32_t>(n) * static_cast<uint32_t>(m));
  const int32_t scaled = product / static_cast<int32_t>(kNeutralScale) + a;
  return FromRemainder(scaled % kWrapRows);
}

uint16_t OnOffLevelY(bool high, uint16_t m, uint16_t a) {
  if (!high) return OnOffYOf(0, m, a);
  return FromRemainder((static_cast<int32_t>(a) + m) % kWrapRows);
}

int TimeToXOf(double reference, double t, double period) {
  if (!(period > 0)) return 0;
  double columns = (reference - t) / period;
  if (std::isnan(columns)) return 0;
  // Far past or far future: keep the arithmetic in range; the result is clipped anyway.
  if (columns > 1e6) columns = 1e6;
  if (columns < -1e6) columns = -1e6;
  const int x = kPaneWidth - static_cast<int>(std::nearbyint(columns));
  return x < 0 ? 0 : x;
}

int32_t WindBarHeight(int64_t count, int64_t last, uint16_t divisor) {
  if (count <= last) return 0;
  const int64_t h = (count - last) / (divisor == 0 ? 1 : divisor);
  return static_cast<int32_t>(h > kMaxBar ? kMaxBar : h);
}

}  // namespace wm033::display
