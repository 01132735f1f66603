#include "datalog/timestamp.h"

#include <gtest/gtest.h>

namespace wm033 {
namespace {

DateTimeParts At(int y, int mo, int d, int h, int mi, int s = 0) {
  return DecodeDayCount(EncodeDayCount(y, mo, d, h, mi, s));
}

TEST(TimeStamp, CompactStampHasLeadingZerosAndHourLetters) {
  EXPECT_EQ(TimeStampOf(At(2012, 8, 23, 14, 5)), "12h23o05");
  EXPECT_EQ(TimeStampOf(At(2009, 1, 5, 0, 7)), "09a05a07");
  EXPECT_EQ(TimeStampOf(At(2026, 12, 31, 23, 59)), "26l31x59");
  EXPECT_EQ(TimeStampOf(At(2000, 7, 1, 12, 0)).size(), 8u);
}

TEST(TimeStamp, ReadableFormWritesJulyAsJly) {
  EXPECT_EQ(ReadableDateTimeOf(At(2012, 8, 23, 14, 5, 37), false), "23-Aug-2012, 14:05");
  EXPECT_EQ(ReadableDateTimeOf(At(2012, 8, 23, 14, 5, 37), true), "23-Aug-2012, 14:05:37");
  EXPECT_EQ(ReadableDateTimeOf(At(2013, 7, 4, 9, 0, 0), false), "04-Jly-2013, 09:00");
  EXPECT_EQ(ReadableDateTimeOf(At(2013, 7, 4, 9, 0, 0), false).size(), 18u);
  EXPECT_EQ(ReadableDateTimeOf(At(2013, 7, 4, 9, 0, 0), true).size(), 21u);
}

TEST(TimeStamp, TimeOfDayLine) {
  EXPECT_EQ(TimeOfDayText(At(2012, 3, 7, 9, 5, 7)), " 9:05:07        7/ 3/2012");
  EXPECT_EQ(TimeOfDayText(At(2012, 11, 17, 19, 45, 0)), "19:45:00       17/11/2012");
}

TEST(DayCount, RoundTripsAndKnownValues) {
  EXPECT_DOUBLE_EQ(EncodeDayCount(1899, 12, 30), 0.0);
  EXPECT_DOUBLE_EQ(EncodeDayCount(1900, 1, 1), 2.0);
  EXPECT_DOUBLE_EQ(EncodeDayCount(2012, 8, 23, 12), 41144.5);
  const DateTimeParts p = DecodeDayCount(41144.5);
  EXPECT_EQ(p.year, 2012);
  EXPECT_EQ(p.month, 8);
  EXPECT_EQ(p.day, 23);
  EXPECT_EQ(p.hour, 12);
  // A fraction a hair short of midnight rounds into the next day, never to 24:00.
  const DateTimeParts q = DecodeDayCount(41145.0 - 1e-10);
  EXPECT_EQ(q.day, 24);
  EXPECT_EQ(q.hour, 0);
}

TEST(DayCount, ValidDates) {
  EXPECT_TRUE(IsValidDateTime(2012, 2, 29, 23, 59));
  EXPECT_FALSE(IsValidDateTime(2013, 2, 29, 0, 0));
  EXPECT_FALSE(IsValidDateTime(2013, 13, 1, 0, 0));
  EXPECT_FALSE(IsValidDateTime(2013, 1, 1, 24, 0));
}

}  // namespace
}  // namespace wm033
