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
  ASSERT_TRUE(QZDTtoVars("12h23o0500", p));
  EXPECT_EQ(p.year, 2012);
  EXPECT_EQ(p.month, 8);
  EXPECT_EQ(p.day, 23);
  EXPECT_EQ(p.hour, 14);
  EXPECT_EQ(p.minute, 5);
  EXPECT_FALSE(QZDTtoVars("12h23o05", p));    // too short
  EXPECT_FALSE(QZDTtoVars("12m23o0500", p));  // no 13th month
  EXPECT_FALSE(QZDTtoVars("12b30o0500", p));  // 30 February
  EXPECT_FALSE(QZDTtoVars("12h23y0500", p));  // hour letter beyond "x"
  EXPECT_FALSE(QZDTtoVars("12h23o6000", p));
  EXPECT_EQ(p.minute, 5) << "a refused stamp leaves the parts as they were";
  double day = 0;
  ASSERT_TRUE(StampToDateTime("09a05a07+2", day));
  EXPECT_DOUBLE_EQ(day, EncodeDayCount(2009, 1, 5, 0, 7, 0));
  EXPECT_FALSE(StampToDateTime("09a32a0700", day));
  EXPECT_DOUBLE_EQ(day, EncodeDayCount(2009, 1, 5, 0, 7, 0));
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

// Records that once ended the program are skipped like the counters' ones, and every message
// says so and names the record's stamp.
TEST(HistoryReload, DamagedRecordsAreSkippedWithTheirStamps) {
  const std::vector<std::pair<std::string, std::string>> bad = {{"rf", "0000x0001"},
                                                                {"lt", "00000001"},
                                                                {"ws", "0000000-1"},
                                                                {"b1", "00000000x"},
                                                                {"b2", "00x000000"},
                                                                {"bp", "1O1"},
                                                                {"hm", "12a4"},
                                                                {"t0", "+23.4"},
                                                                {"t1", "+2a46"},
                                                                {"t2", "2346"},
                                                                {"t3", "+23467"},
                                                                {"t4", "-Z346"},
                                                                {"wd", std::string(33, '0') + "G"}};
  std::vector<std::string> records;
  std::vector<std::string> stamps;
  for (size_t i = 0; i < bad.size(); ++i) {
    const std::string stamp = StampAt(kNow - 0.5 - 0.01 * static_cast<double>(i));
    records.push_back(bad[i].first + stamp + bad[i].second);
    stamps.push_back(stamp + bad[i].second.substr(0, 2));
  }
  records.push_back("rf" + StampAt(kNow - 0.3) + "4");          // too short for its stamp text
  records.push_back("rf" + StampAt(kNow - 0.2) + "000000042");  // newest: still drawn
  LogStation s(records);
  TWM033f1& f = s.Start();
  EXPECT_FALSE(s.platform.terminated);
  EXPECT_FALSE(f.bQuitting);
  std::vector<std::string> skipped;
  for (const std::string& l : s.platform.error_lines) {
    EXPECT_EQ(l.find("Prgm will close"), std::string::npos) << l;
    EXPECT_EQ(l.find("Shutdown prep"), std::string::npos) << l;
    if (l.find("skipped over") != std::string::npos) skipped.push_back(l);
  }
  const std::string all = ::testing::PrintToString(s.platform.error_lines);
  EXPECT_NE(all.find("QZDTtoVars was called with length not 10, which is not "
                     "allowed. Record skipped, the program goes on: rf" +
                     StampAt(kNow - 0.3) + "4"),
            std::string::npos)
      << all;
  ASSERT_EQ(skipped.size(), bad.size()) << ::testing::PrintToString(s.platform.error_lines);
  for (size_t i = 0; i < bad.size(); ++i) {
    // The newest record is read first.
    const std::string& line = skipped[bad.size() - 1 - i];
    EXPECT_NE(line.find(stamps[i]), std::string::npos) << line << " lacks " << stamps[i];
    if (bad[i].first != "rf" && bad[i].first != "lt" && bad[i].first != "ws") {
      EXPECT_NE(line.find("skipped over, the program goes on. "), std::string::npos) << line;
    }
  }
  EXPECT_NE(skipped[6].find("30Aug03a"), std::string::npos) << "the dated tags stay";
  EXPECT_NE(skipped[0].find("10Aug03a"), std::string::npos);
  EXPECT_NE(skipped[1].find("Err 15Jun03cc.."), std::string::npos);
  const int x = f.TimeToX(std::floor((s.platform.now - 0.2) * 1440) / 1440);
  EXPECT_EQ(f.imMainGraphPane.Picture().GetPixel(x, f.wYCoord(42, 5)), f.clChannel[5]);
}

// A record of the current minute lies at x = 780, just right of the pane: it draws nothing, but
// its phase still counts. Here the lightning record at x = 780 (phase 0) clears the drawn flag,
// so that the bar at x = 777 (phase 1) is drawn from the value remembered at x = 778 (phase 2).
TEST(HistoryReload, RecordsJustRightOfThePaneFeedTheBars) {
  for (const bool with_780 : {true, false}) {
    std::vector<std::string> records = {"lt" + StampAt(kNow - 52.0 / 1440) + "000000004",
                                        "lt" + StampAt(kNow - 35.0 / 1440) + "000000012"};
    if (with_780) records.push_back("lt" + StampAt(kNow) + "000000013");
    LogStation s(records);
    s.Write("WM033/WM033ini2.txt",
            s.Read("WM033/WM033ini2.txt") + "\r\n[BarGraphs]\r\np7bg=on\r\n");
    TWM033f1& f = s.Start();
    ASSERT_TRUE(f.boBarGraph[7]);
    ASSERT_EQ(f.TimeToX(kNow - 52.0 / 1440), 777);
    ASSERT_EQ(f.TimeToX(kNow - 35.0 / 1440), 778);
    ASSERT_EQ(f.TimeToX(kNow), 780);
    const display::Bitmap& pane = f.imMainGraphPane.Picture();
    int bar = 0;  // lightning pixels at the foot of column 777
    while (pane.GetPixel(777, display::kBottomRow - bar) == f.clChannel[7]) ++bar;
    EXPECT_EQ(bar, with_780 ? 8 : 0) << (with_780 ? "with" : "without") << " the record at 780";
  }
}

// The window is counted in bytes read from the end, line ends included: a record whose line
// ends more than 800,000 bytes from the end of the file is not read.
TEST(HistoryReload, WindowCountsTheLineEnds) {
  // The start-up records written before the reload are part of what it reads.
  size_t startup_records = 0;
  {
    LogStation s({});
    s.Start();
    startup_records = s.Read("WM33DtLg.txt").size() - std::string(kHeader).size();
  }
  for (const int after : {799998, 799999, 800000}) {
    std::vector<std::string> records = {"rf" + StampAt(kNow - 1) + "0000x0001"};
    const std::string stamp = StampAt(kNow - 0.5);
    const std::string filler = "cm" + stamp + std::string(88, 'x');  // 100 bytes with CR LF
    int left = after - static_cast<int>(startup_records);
    while (left > 0) {
      const int n = std::min(left, 100);
      records.push_back(n == 100 ? filler
                                 : "cm" + stamp + std::string(static_cast<size_t>(n - 12), 'y'));
      left -= n;
    }
    LogStation s(records);
    s.Start();
    bool read = false;
    for (const std::string& l : s.platform.error_lines) read |= l.find("rainfall datum") != l.npos;
    EXPECT_EQ(read, after + 2 <= 800000) << after << " bytes after the record's line end";
  }
}

}  // namespace
}  // namespace wm033::testing
