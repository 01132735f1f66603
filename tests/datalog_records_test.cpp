// Record layouts of the data log, which the history reload reads back.
#include <gtest/gtest.h>

#include <limits>

#include "datalog/records.h"
#if __has_include("datalog/history_decode.h")
#include "datalog/history_decode.h"
#define WM033_HAVE_HISTORY_DECODE 1
#endif

namespace wm033 {
namespace {

constexpr const char* kStamp = "12h23o05";

TEST(DatalogRecords, CountersArePaddedToNineDigitsAndLongerOnesKeptWhole) {
  EXPECT_EQ(CounterRecord("ws", kStamp, 0), "ws12h23o05000000000");
  EXPECT_EQ(CounterRecord("ws", kStamp, 4711), "ws12h23o05000004711");
  EXPECT_EQ(CounterRecord("rf", kStamp, 123456789), "rf12h23o05123456789");
  EXPECT_EQ(CounterRecord("b2", kStamp, 4294967295u), "b212h23o054294967295");
}

TEST(DatalogRecords, AnalogueReadingsAreTruncatedHundredths) {
  EXPECT_EQ(AnalogueRecord("bp", kStamp, 1.0132f), "bp12h23o050101");
  EXPECT_EQ(AnalogueRecord("hm", kStamp, 0.0f), "hm12h23o050000");
  EXPECT_EQ(AnalogueRecord("hm", kStamp, 9.99f), "hm12h23o050998");  // 998.99998 truncated
  EXPECT_EQ(AnalogueCode(0.29f), 28);
  // Out-of-range and broken readings never widen the field.
  EXPECT_EQ(AnalogueCode(-1.0f), 0);
  EXPECT_EQ(AnalogueCode(1e30f), 999);
  EXPECT_EQ(AnalogueCode(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(DatalogRecords, TemperatureFieldDropsThePointAndPadsAfterTheSign) {
  EXPECT_EQ(TemperatureField(23.46f), "+2346");
  EXPECT_EQ(TemperatureField(-5.30f), "-0530");
  EXPECT_EQ(TemperatureField(0.004f), "+0000");
  EXPECT_EQ(TemperatureField(-0.5f), "-0050");
  EXPECT_EQ(TemperatureField(9.999f), "+1000");  // formatted 10.00 first
  EXPECT_EQ(TemperatureField(-0.004f), "+0000");
  EXPECT_EQ(TemperatureField(0.0f), "+0000");
  EXPECT_EQ(TemperatureField(-5.0f), "-0500");
  EXPECT_EQ(TemperatureRecord(3, kStamp, 25.0f), "t312h23o05+2500");
}

#ifdef WM033_HAVE_HISTORY_DECODE
TEST(DatalogRecords, TemperaturesFromHundredDegreesReadBackUnchanged) {
  for (float t : {99.99f, 100.0f, 123.45f, 249.99f, -100.5f, -55.0f, 23.46f, -5.3f}) {
    const std::string field = TemperatureField(t);
    ASSERT_EQ(field.size(), 5u) << t;
    double back = 0;
    ASSERT_TRUE(ReadTemperatureField(field, back)) << field;
    EXPECT_NEAR(back, t, 0.006) << field;
  }
  EXPECT_EQ(TemperatureField(100.0f), "+A000");
  EXPECT_EQ(TemperatureField(123.45f), "+C345");
  EXPECT_EQ(TemperatureField(1000.0f), "+O999");  // beyond the layout: kept at its limit
}
#endif

TEST(DatalogRecords, WindTalliesAreHexPairsAndWidenPast255) {
  std::array<uint16_t, 17> t{};
  const std::string zeros = WindTalliesRecord(kStamp, t);
  EXPECT_EQ(zeros, "wd12h23o05" + std::string(34, '0'));
  EXPECT_EQ(zeros.size(), 44u);
  t[0] = 0x0A;
  t[15] = 0xFF;
  t[16] = 1;
  EXPECT_EQ(WindTalliesRecord(kStamp, t),
            "wd12h23o05"
            "0A" +
                std::string(28, '0') +
                "FF"
                "01");
  t[3] = 256;
  EXPECT_EQ(WindTalliesRecord(kStamp, t).size(), 45u);
}

TEST(DatalogRecords, StartAndWindOptionsRecords) {
  EXPECT_EQ(StartRecord(kStamp, "23Aug12c"),
            "ss12h23o05 ~ ~ ~ System started, WM033 version: 23Aug12c");
  EXPECT_EQ(WindOptionsRecord(kStamp, 9, 0),
            "wo12h23o05 ~ ~ ~ Wind Dir Offset:9. Using lookup table:a.");
  EXPECT_EQ(WindOptionsRecord(kStamp, 15, 6),
            "wo12h23o05 ~ ~ ~ Wind Dir Offset:15. Using lookup table:g.");
  EXPECT_EQ(DataLogHeaderLine1(), "cm Data Log File for WM033");
  EXPECT_EQ(DataLogHeaderLine2(kStamp), "cm created:(following is date/time, encoded) 12h23o05");
}

TEST(DatalogRecords, CommentsLoseALeadingCmAndCannotBreakTheLine) {
  EXPECT_EQ(CleanHandComment("cm rain gauge cleaned"), " rain gauge cleaned");
  EXPECT_EQ(CleanHandComment("CMx"), "x");
  EXPECT_EQ(CleanHandComment("Cm"), "");
  EXPECT_EQ(CleanHandComment("c"), "c");
  EXPECT_EQ(CleanHandComment("a cm b"), "a cm b");
  // A line break would let typed text pose as a record of its own.
  EXPECT_EQ(CleanHandComment("x\r\nt012h23o05+9999"), "x  t012h23o05+9999");
  EXPECT_EQ(HandCommentRecord(kStamp, "hello"), "cm12h23o05 By hand: hello");
  EXPECT_EQ(HandCommentRecord(kStamp, ""), "cm12h23o05 By hand: ");
  EXPECT_EQ(MachineCommentRecord(kStamp, 2000),
            "cm12h23o05(machine generated) Cycles since start:2000");
}

}  // namespace
}  // namespace wm033
