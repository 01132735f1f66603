// Pure rules of the sensor routines: the vane tables, the log fields, the voltage truncation.
#include <gtest/gtest.h>

#include "datalog/records.h"
#include "sensors/rules.h"
#include "sensors/wind_vane.h"

namespace wm033 {
namespace {

TEST(WindVane, LevelsAtTheThresholds) {
  EXPECT_EQ(WindPattern(299, 300, 5499, 5500, 300, 5500), "0112");
  EXPECT_EQ(WindPattern(0, 65280, 0, 0, 300, 5500), "0200");
}

TEST(WindVane, TablesAndOffsets) {
  EXPECT_EQ(RawWindDirection("2000", 0), 0);
  EXPECT_EQ(RawWindDirection("2001", 0), 15);
  EXPECT_EQ(RawWindDirection("2100", 1), 15);
  EXPECT_EQ(RawWindDirection("1111", 2), 7);
  EXPECT_EQ(RawWindDirection("0000", 3), 7);
  EXPECT_EQ(RawWindDirection("1111", 0), kUnreadableDirection);
  for (int table = 4; table <= 6; ++table) EXPECT_EQ(RawWindDirection("2000", table), 16);
  EXPECT_EQ(DisplayedWindDirection(0, 9), 9);
  EXPECT_EQ(DisplayedWindDirection(15, 15), 14);
  EXPECT_EQ(DisplayedWindDirection(16, 9), 16);
  // Every table's patterns are distinct, so each direction reads back as itself.
  for (int table = 0; table < 4; ++table)
    for (int raw = 0; raw < 16; ++raw)
      EXPECT_EQ(RawWindDirection(WindPatternFor(raw, table), table), raw);
}

TEST(SensorRules, VoltageHundredthsAreTruncatedFromTheSingle) {
  EXPECT_EQ(AnalogueCode(456 / 100.0f), 455);
  EXPECT_EQ(AnalogueCode(9.99f), 998);
  EXPECT_EQ(AnalogueCode(0.0f), 0);
  EXPECT_EQ(AnalogueCode(5.0f), 500);
}

TEST(SensorRules, OnOffTransitions) {
  EXPECT_EQ(OnOffTransition(true, true), 3);
  EXPECT_EQ(OnOffTransition(true, false), 2);
  EXPECT_EQ(OnOffTransition(false, true), 1);
  EXPECT_EQ(OnOffTransition(false, false), 0);
}

}  // namespace
}  // namespace wm033
