// Redrawing the graph from the data log at start-up, through the real start-up sequence.
#include <gtest/gtest.h>

#include <cmath>

#include "datalog/history_decode.h"
#include "datalog/records.h"
#include "display/graph_rules.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

constexpr const char* kHeader =
    "cm Data Log File for WM033\r\ncm created:(following is date/time, encoded) 12h01a00\r\n";

// The fake platform's clock at start.
const double kNow = EncodeDayCount(2012, 8, 23, 14, 5, 0);

std::string StampAt(double t) {
  return TimeStampOf(DecodeDayCount(t));
}

display::Bitmap StartupPane() {
  display::Bitmap b(780, 237);
  b.Line(0, 0, 780, 236, forms::RGB(0, 128, 0));
  return b;
}

// A station whose data log holds the header and then `records` (each given without line end).
struct LogStation : Station {
  explicit LogStation(const std::vector<std::string>& records, bool end_with_newline = true) {
    CopyDemo();
    std::string log = kHeader;
    for (size_t i = 0; i < records.size(); ++i) {
      log += records[i];
      if (i + 1 < records.size() || end_with_newline) log += "\r\n";
    }
    Write("WM33DtLg.txt", log);
  }
};

TEST(HistoryDecode, StampsAndFields) {
  StampParts p;
  ASSERT_TRUE(DecodeStampText("12h23o0500", p));
  EXPECT_EQ(p.year, 2012);
  EXPECT_EQ(p.month, 8);
  EXPECT_EQ(p.hour, 14);
  EXPECT_EQ(p.minute, 5);
  EXPECT_FALSE(DecodeStampText("12h23o05", p));    // too short
  EXPECT_FALSE(DecodeStampText("12m23o0500", p));  // no 13th month
  EXPECT_FALSE(DecodeStampText("12b30o0500", p));  // 30 February
  EXPECT_FALSE(DecodeStampText("12h23y0500", p));  // hour letter beyond "x"
  EXPECT_FALSE(DecodeStampText("12h23o6000", p));
  uint32_t c;
  EXPECT_TRUE(ReadCounterField("000000120", c));
  EXPECT_EQ(c, 120u);
  EXPECT_FALSE(ReadCounterField("00000012", c));
  EXPECT_FALSE(ReadCounterField("0000001 0", c));
  double t;
  ASSERT_TRUE(ReadTemperatureField("-0530", t));
  EXPECT_DOUBLE_EQ(t, -5.30);
  ASSERT_TRUE(ReadTemperatureField("+A000", t));
  EXPECT_DOUBLE_EQ(t, 100.0);
  EXPECT_FALSE(ReadTemperatureField("+234", t));
}

TEST(HistoryReload, HeaderOnlyLogDrawsNothing) {
  LogStation s({});
  TWM033f1& f = s.Start();
  EXPECT_TRUE(f.imMainGraphPane.Picture() == StartupPane());
  EXPECT_FALSE(s.platform.terminated) << ::testing::PrintToString(s.platform.messages);
}

TEST(HistoryReload, DrawsRecordsWhereTheirStampsPlaceThem) {
  LogStation s({"t0" + StampAt(kNow - 0.1) + "-0530", "ws" + StampAt(kNow - 0.2) + "000000120",
                "bp" + StampAt(kNow - 0.3) + "0101"});
  TWM033f1& f = s.Start();
  const display::Bitmap& pane = f.imMainGraphPane.Picture();
  const int xt = f.TimeToX(std::floor((s.platform.now - 0.1) * 1440) / 1440);
  EXPECT_EQ(pane.GetPixel(xt, f.TemperatureY(0, -5.30f)), f.clChannel[0]);
  const int xw = f.TimeToX(std::floor((s.platform.now - 0.2) * 1440) / 1440);
  EXPECT_EQ(pane.GetPixel(xw, f.wYCoord(120, 6)), f.clChannel[6]);
  const int xb = f.TimeToX(std::floor((s.platform.now - 0.3) * 1440) / 1440);
  EXPECT_EQ(pane.GetPixel(xb, f.AnalogueY(8, 101)), f.clChannel[8]);
}

TEST(HistoryReload, StopsAtTheLeftEdge) {
  LogStation s({"rf" + StampAt(kNow - 9.5) + "0000x0001",  // older: never read
                "ws" + StampAt(kNow - 9.37) + "000000120", "rf" + StampAt(kNow - 1) + "000000005"});
  TWM033f1& f = s.Start();
  for (const std::string& l : s.errdisp.Memo1.Lines())
    EXPECT_EQ(l.find("rainfall datum"), std::string::npos) << l;
  EXPECT_EQ(f.imMainGraphPane.Picture().GetPixel(0, f.wYCoord(120, 6)), f.clChannel[6]);
}

TEST(HistoryReload, LongWindRecordIsReportedAndTalliesComeFromTheGoodOne) {
  std::array<uint16_t, 17> good{};
  good[3] = 7;
  good[16] = 255;
  std::array<uint16_t, 17> big = good;
  big[0] = 0x123;
  LogStation s(
      {WindTalliesRecord(StampAt(kNow - 0.5), good), WindTalliesRecord(StampAt(kNow - 0.2), big)});
  TWM033f1& f = s.Start();
  EXPECT_EQ(f.wWindDirTally, good);
  bool reported = false;
  for (const std::string& l : s.errdisp.Memo1.Lines())
    reported |= l.find(" Length was: 45") != std::string::npos;
  EXPECT_TRUE(reported);
}

TEST(HistoryReload, TalliesComeFromTheNewestRecord) {
  std::array<uint16_t, 17> older{}, newer{};
  older[1] = 5;
  newer[1] = 9;
  newer[2] = 1;
  LogStation s({WindTalliesRecord(StampAt(kNow - 0.6), older),
                WindTalliesRecord(StampAt(kNow - 0.3), newer)});
  EXPECT_EQ(s.Start().wWindDirTally, newer);
}

TEST(HistoryReload, UnknownRecordsChangeNothing) {
  LogStation s({"cm" + StampAt(kNow - 0.2) + " By hand: hello",
                "ss" + StampAt(kNow - 0.1) + " ~ ~ ~ System started, WM033 version: 23Aug12c",
                "zz12345"});
  TWM033f1& f = s.Start();
  EXPECT_TRUE(f.imMainGraphPane.Picture() == StartupPane());
  for (const std::string& l : s.errdisp.Memo1.Lines())
    EXPECT_EQ(l.find("datum"), std::string::npos) << l;
}

TEST(HistoryReload, DayLinesAtEachMidnightCrossed) {
  LogStation s({"rf" + StampAt(std::floor(kNow) - 1.5) + "000000001",
                "rf" + StampAt(std::floor(kNow) - 0.5) + "000000001"});
  TWM033f1& f = s.Start();
  const display::Bitmap& pane = f.imMainGraphPane.Picture();
  for (double midnight : {std::floor(s.platform.now), std::floor(s.platform.now) - 1}) {
    const int x = f.TimeToX(midnight) - 1;
    EXPECT_EQ(pane.GetPixel(x, 100), f.clSilver) << midnight;
  }
}

TEST(HistoryReload, FutureStampsAreNotDrawnOutsideThePane) {
  LogStation s({"rf" + StampAt(kNow + 2) + "000000001"});
  TWM033f1& f = s.Start();
  EXPECT_TRUE(f.imMainGraphPane.Picture() == StartupPane());
}

// A power cut may cut the last record anywhere. Every start after it repairs the line end and
// redraws exactly what the complete records asked for.
TEST(HistoryReload, CutShortLastRecordNeverStopsTheProgram) {
  const double now = kNow;
  const std::vector<std::string> base = {"t0" + StampAt(now - 0.3) + "+2346",
                                         "rf" + StampAt(now - 0.2) + "000000042"};
  display::Bitmap expected;
  {
    LogStation s(base);
    expected = s.Start().imMainGraphPane.Picture();
  }
  const std::vector<std::string> lasts = {
      "t1" + StampAt(now - 0.1) + "-0530", "ws" + StampAt(now - 0.1) + "000012345",
      "bp" + StampAt(now - 0.1) + "0101", "b1" + StampAt(now - 0.1) + "000000007",
      WindTalliesRecord(StampAt(now - 0.1), std::array<uint16_t, 17>{1, 2, 3})};
  for (const std::string& last : lasts) {
    for (size_t cut = 1; cut < last.size(); ++cut) {
      std::vector<std::string> records = base;
      records.push_back(last.substr(0, cut));
      LogStation s(records, /*end_with_newline=*/false);
      TWM033f1& f = s.Start();
      EXPECT_FALSE(s.platform.terminated) << last << " cut at " << cut;
      EXPECT_FALSE(f.bQuitting);
      EXPECT_TRUE(f.imMainGraphPane.Picture() == expected) << last << " cut at " << cut;
      // Started again: the repaired log still starts cleanly.
      s.form->buQuitClick();
      s.platform.terminated = false;
      TWM033f1& g = s.Start();
      EXPECT_FALSE(s.platform.terminated);
      EXPECT_FALSE(g.bQuitting);
    }
  }
}

TEST(HistoryReload, WindowIsTheLast800000Bytes) {
  // Old records beyond the window are not read, however bad they are.
  const double now = kNow;
  std::vector<std::string> records;
  records.push_back("rf" + StampAt(now - 1) + "00000x001");
  const std::string filler = "cm" + StampAt(now - 0.5) + " By hand: " + std::string(80, 'x');
  for (int i = 0; i < 9000; ++i) records.push_back(filler);  // 900,000 bytes
  LogStation s(records);
  s.Start();
  for (const std::string& l : s.errdisp.Memo1.Lines())
    EXPECT_EQ(l.find("rainfall"), std::string::npos) << l;
}

}  // namespace
}  // namespace wm033::testing
