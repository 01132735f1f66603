// Error lines: numbering, the young-program hint, the window's 511-line limit, the error log.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

// Starts the demo station and forgets whatever start-up reported, so that numbering starts at 1.
TWM033f1& StartQuiet(Station& s) {
  TWM033f1& f = s.Start();
  f.wErrorCount = 0;
  s.errdisp.Memo1.Clear();
  return f;
}

TEST(ErrorReport, NumbersLinesAndWrapsAt65536) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = StartQuiet(s);
  f.ReportError("first");
  EXPECT_EQ(s.errdisp.Memo1.Line(0).rfind("1: first ", 0), 0u);
  EXPECT_EQ(s.errdisp.Memo1.Line(0), "1: first " + f.MakeTimeStamp());
  f.wErrorCount = 65534;
  f.ReportError("a");
  f.ReportError("b");
  EXPECT_EQ(s.errdisp.Memo1.Line(1).rfind("65535: a ", 0), 0u);
  EXPECT_EQ(s.errdisp.Memo1.Line(0).rfind("0: b ", 0), 0u);
}

TEST(ErrorReport, YoungProgramHintOnlyBeforeCycle32) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = StartQuiet(s);
  f.liCycleCount = 5;
  f.ReportDallasError("During LookAtWindSpeed, QZRErr: ", 44, -3);
  ASSERT_GE(s.errdisp.Memo1.Count(), 2);
  EXPECT_EQ(s.errdisp.Memo1.Line(0).rfind(
                "2: During LookAtWindSpeed, QZRErr: 44 and Dallas error -3 ", 0),
            0u);
  EXPECT_EQ(
      s.errdisp.Memo1.Line(1).rfind("1: Various errors can also arise if adapter type or port "
                                    "spec wrong in WM033ini.txt (lines h and i).",
                                    0),
      0u);
  f.liCycleCount = 31;
  f.ReportDallasError("x ", 1, 2);
  EXPECT_EQ(f.wErrorCount, 4);
  f.liCycleCount = 32;
  f.ReportDallasError("x ", 1, 2);
  EXPECT_EQ(f.wErrorCount, 5);
}

TEST(ErrorReport, WindowKeepsNewest511AndLogKeepsAll) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = StartQuiet(s);
  const size_t before = s.Lines("WM33ErLg.txt").size();
  for (int i = 1; i <= 600; ++i) f.ReportError("report " + std::to_string(i));
  ASSERT_EQ(s.errdisp.Memo1.Count(), 511);
  EXPECT_EQ(s.errdisp.Memo1.Line(0).rfind("600: report 600 ", 0), 0u);
  EXPECT_EQ(s.errdisp.Memo1.Line(510).rfind("90: report 90 ", 0), 0u);
  const auto log = s.Lines("WM33ErLg.txt");
  ASSERT_EQ(log.size(), before + 600);
  EXPECT_EQ(log[0].rfind("WM033 Error log. Created by the program ", 0), 0u);
  EXPECT_EQ(log.back().rfind("600: report 600 ", 0), 0u);
  // Every line ends with CR LF.
  const std::string raw = s.Read("WM33ErLg.txt");
  EXPECT_EQ(raw.substr(raw.size() - 2), "\r\n");
}

TEST(ErrorReport, LogHeaderIsWrittenOnceAcrossStarts) {
  Station s;
  s.CopyDemo();
  StartQuiet(s).ReportError("run one");
  s.form->buQuitClick();
  StartQuiet(s).ReportError("run two");
  const auto log = s.Lines("WM33ErLg.txt");
  int headers = 0, one = 0, two = 0;
  for (const std::string& l : log) {
    headers += l.rfind("WM033 Error log. Created by the program ", 0) == 0;
    one += l.rfind("1: run one ", 0) == 0;
    two += l.rfind("1: run two ", 0) == 0;
  }
  EXPECT_EQ(log[0].rfind("WM033 Error log. Created by the program ", 0), 0u);
  EXPECT_EQ(headers, 1);
  EXPECT_EQ(one, 1);
  EXPECT_EQ(two, 1);
}

TEST(ErrorReport, LogThatCannotBeCreatedLeavesTheWindowOnly) {
  Station s({{"WM033_DRIVE_C", "/dev/null/not-a-folder"}});
  s.CopyDemo();
  s.env = Environment::FromPairs(
      {{"WM033_DRIVE_C", "/dev/null/not-a-folder"}, {"WM033_PORT1", s.Path("no-serial-port")}},
      s.dir);
  TWM033f1& f = s.Start();
  EXPECT_FALSE(f.bErrorLogOn);
  EXPECT_NE(std::find(s.platform.messages.begin(), s.platform.messages.end(),
                      "Unable to establish file to log errors."),
            s.platform.messages.end());
  f.ReportError("still shown");
  EXPECT_NE(s.errdisp.Memo1.Line(0).find(": still shown "), std::string::npos);
}

TEST(ErrorReport, FailedLogWriteIsNoticedOnceAndRetried) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = StartQuiet(s);
  f.fErrorLog.Close();  // every write now fails
  f.ReportError("one");
  f.ReportError("two");
  // Two numbered lines and one notice between them.
  EXPECT_EQ(s.errdisp.Memo1.Line(0).rfind("2: two ", 0), 0u);
  EXPECT_EQ(s.errdisp.Memo1.Line(1).rfind("(Writing to the error log failed", 0), 0u);
  EXPECT_EQ(s.errdisp.Memo1.Line(2).rfind("1: one ", 0), 0u);
  ASSERT_TRUE(f.fErrorLog.OpenAppend(s.Path("WM33ErLg.txt"), false));
  f.ReportError("three");
  EXPECT_EQ(s.Lines("WM33ErLg.txt").back().rfind("3: three ", 0), 0u);
}

TEST(ErrorReport, EarlyLinesStayAboveTheHeaderLines) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Create();
  // A line reported before the header lines exist, as the settings reader may.
  s.platform.events.clear();
  f.ReportError("early");
  f.FormCreate();
  const auto& lines = s.errdisp.Memo1.Lines();
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 3].rfind("1: early ", 0), 0u);
  EXPECT_EQ(lines[lines.size() - 2].rfind("Errors since program last restarted", 0), 0u);
}

TEST(ErrorReport, LinesOfTheHardwareStartReachTheLogInOrder) {
  // The wind vane's A/D converter is missing: its set-up fails before the log is established.
  Station s({{"WM033_SIM_FAULTS", "u=absent"}});
  s.CopyDemo();
  TWM033f1& f = s.Start();
  ASSERT_GE(f.wErrorCount, 2);
  const auto log = s.Lines("WM33ErLg.txt");
  ASSERT_GE(log.size(), static_cast<size_t>(f.wErrorCount) + 1);
  EXPECT_EQ(log[0].rfind("WM033 Error log. Created by the program ", 0), 0u);
  for (int n = 1; n <= f.wErrorCount; ++n)
    EXPECT_EQ(log[n].rfind(std::to_string(n) + ": ", 0), 0u) << log[n];
  EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
    return l.find("Problem with DML2450Init") != std::string::npos;
  }));
  f.ReportError("later");
  EXPECT_EQ(s.Lines("WM33ErLg.txt").back().rfind(std::to_string(f.wErrorCount) + ": later ", 0),
            0u);
  // A second start writes only its own lines.
  s.form->buQuitClick();
  const size_t before = s.Lines("WM33ErLg.txt").size();
  TWM033f1& g = s.Start();
  EXPECT_EQ(s.Lines("WM33ErLg.txt").size(), before + static_cast<size_t>(g.wErrorCount));
}

}  // namespace
}  // namespace wm033::testing
