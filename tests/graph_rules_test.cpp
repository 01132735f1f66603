// The graph's coordinate rules.
#include "display/graph_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace wm033::display {
namespace {

TEST(GraphRules, CounterClimbsAndWrapsFromTheTopToTheBottom) {
  EXPECT_EQ(CounterY(0, 10000, 0), 236);
  EXPECT_EQ(CounterY(1, 10000, 0), 235);
  EXPECT_EQ(CounterY(235, 10000, 0), 1);    // top of the saw-tooth
  EXPECT_EQ(CounterY(236, 10000, 0), 236);  // and back to the bottom
  EXPECT_EQ(CounterY(237, 10000, 0), 235);
  EXPECT_EQ(CounterY(10, 10000, 230), 236 - (240 % 236));
  EXPECT_EQ(CounterY(1000, 5000, 0), 236 - 500 % 236);  // half scale
  EXPECT_EQ(CounterY(5, 0, 7), 229);                    // a zero multiplier flattens, never divides
}

TEST(GraphRules, CounterProductKeepsItsLow32Bits) {
  // 8388607 * 65535 wraps in 32 bits: 549747359745 mod 2^32 = 4286513153.
  EXPECT_EQ(CounterY(8388607u, 65535, 0), 161);
  for (uint32_t raw : {0u, 1u, 4294967295u}) {
    for (uint16_t m : {uint16_t{0}, uint16_t{1}, uint16_t{65535}}) {
      const uint16_t y = CounterY(raw, m, 65535);
      EXPECT_GE(y, 1);
      EXPECT_LE(y, 236);
    }
  }
}

TEST(GraphRules, TemperatureAtZeroSitsOnTheBottomRow) {
  EXPECT_EQ(TemperatureYOf(0.0f, 10000, 0), 236);
  EXPECT_EQ(TemperatureYOf(0.0f, 10000, 236), 236);
  EXPECT_EQ(TemperatureYOf(20.0f, 10000, 0), 216);
  EXPECT_EQ(TemperatureYOf(20.7f, 10000, 0), 216);  // truncated
  EXPECT_EQ(TemperatureYOf(-1.0f, 10000, 0), 1);    // negative remainders wrap to the top
  EXPECT_EQ(TemperatureYOf(-5.0f, 10000, 50), 191);
  EXPECT_EQ(TemperatureYOf(20.0f, 20000, 0), 226);  // squashed
  EXPECT_EQ(TemperatureYOf(20.0f, 5000, 0), 196);   // stretched
}

TEST(GraphRules, TemperatureNeverFailsOnAZeroMultiplierOrBrokenValues) {
  EXPECT_EQ(TemperatureYOf(20.0f, 0, 0), TemperatureYOf(20.0f, 10000, 0));
  for (float v : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                  -std::numeric_limits<float>::infinity(), 3e38f, -3e38f}) {
    for (uint16_t m : {uint16_t{1}, uint16_t{65535}}) {
      const uint16_t y = TemperatureYOf(v, m, 65535);
      EXPECT_GE(y, 1);
      EXPECT_LE(y, 236);
    }
  }
}

TEST(GraphRules, AnalogueAndOnOffRules) {
  EXPECT_EQ(AnalogueYOf(101, 10000, 0), 135);
  EXPECT_EQ(AnalogueYOf(999, 10000, 0), 236 - 999 % 236);
  EXPECT_EQ(AnalogueYOf(101, 20000, 10), 236 - (202 + 10));
  EXPECT_EQ(AnalogueYOf(-5, 10000, 0), 5);  // a bad code stays on the pane
  EXPECT_EQ(OnOffYOf(0, 10, 1), 235);
  EXPECT_EQ(OnOffYOf(0, 10, 50), 186);
  EXPECT_EQ(OnOffYOf(5000, 10000, 0), 236 - 5000 % 236);
  const uint16_t wrapped = OnOffYOf(8388607, 65535, 65535);  // 32-bit product wraps negative
  EXPECT_GE(wrapped, 1);
  EXPECT_LE(wrapped, 236);
  EXPECT_EQ(OnOffLevelY(false, 10, 1), 235);
  EXPECT_EQ(OnOffLevelY(true, 10, 1), 225);
  EXPECT_EQ(OnOffLevelY(true, 10, 50), 176);
}

TEST(GraphRules, TimeToXCountsColumnsBackFromTheReference) {
  const double ref = 41144.5, p = 0.012;
  EXPECT_EQ(TimeToXOf(ref, ref, p), 780);
  EXPECT_EQ(TimeToXOf(ref, ref - p, p), 779);
  EXPECT_EQ(TimeToXOf(ref, ref - 10.4 * p, p), 770);
  EXPECT_EQ(TimeToXOf(ref, ref - 780 * p, p), 0);
  EXPECT_EQ(TimeToXOf(ref, ref - 781 * p, p), 0);
  EXPECT_EQ(TimeToXOf(ref, ref - 1e9, p), 0);
  EXPECT_GT(TimeToXOf(ref, ref + 2 * p, p), 780);  // the future falls off the right edge
  EXPECT_EQ(TimeToXOf(ref, ref - 1, 0), 0);
  EXPECT_EQ(TimeToXOf(ref, std::nan(""), p), 0);
}

TEST(GraphRules, WindBarHeight) {
  EXPECT_EQ(WindBarHeight(150 * 300, 0, 150), 236);
  EXPECT_EQ(WindBarHeight(1000 + 150 * 10 + 149, 1000, 150), 10);
  EXPECT_EQ(WindBarHeight(100, 100, 150), 0);
  EXPECT_EQ(WindBarHeight(50, 100, 150), 0);
  EXPECT_EQ(WindBarHeight(10, 0, 0), 10);
}

}  // namespace
}  // namespace wm033::display
