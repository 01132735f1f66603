// Errors that repeat: counted instead of written again, with hourly summary lines, so that a
// fault that lasts a month adds little to the error log and the owner still reads when it
// started, how often it came and when it stopped.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "app/error_repeats.h"
#include "datalog/history_decode.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

constexpr double kMinute = 1.0 / 1440;

TEST(ErrorRepeats, CountsWithinTheHourSummarisesHourlyAndForgetsAfterAQuietHour) {
  ErrorRepeats r;
  const double t0 = 41144.5;
  EXPECT_TRUE(r.Admit("chip gone", 5, "12h23m00", t0));
  EXPECT_TRUE(r.Admit("folder gone", 6, "12h23m00", t0));
  for (int i = 1; i <= 59; ++i)
    EXPECT_FALSE(r.Admit("chip gone", static_cast<uint16_t>(6 + i), "12h23m00", t0 + i * kMinute));
  EXPECT_TRUE(r.Due(t0 + 59.5 * kMinute).empty());
  auto lines = r.Due(t0 + 60 * kMinute);
  ASSERT_EQ(lines.size(), 1u) << "folder gone did not repeat";
  EXPECT_EQ(lines[0],
            "(repeated 59 more times, the last as number 65 at 12h23m00; 60 times in all since "
            "number 5 at 12h23m00: chip gone)");
  EXPECT_EQ(r.Followed(), 1u) << "a text without a repeat in its hour is forgotten";
  EXPECT_TRUE(r.Admit("folder gone", 70, "12h23n05", t0 + 65 * kMinute)) << "a new episode";
  // Two more repeats, then the fault stops: its last summary says when, then it is forgotten.
  EXPECT_FALSE(r.Admit("chip gone", 71, "12h23n10", t0 + 70 * kMinute));
  EXPECT_FALSE(r.Admit("chip gone", 72, "12h23n11", t0 + 71 * kMinute));
  lines = r.Due(t0 + 120 * kMinute);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0],
            "(repeated 2 more times, the last as number 72 at 12h23n11; 62 times in all since "
            "number 5 at 12h23m00: chip gone)");
  EXPECT_TRUE(r.Due(t0 + 180 * kMinute).empty());
  EXPECT_EQ(r.Followed(), 0u);
  EXPECT_TRUE(r.Admit("chip gone", 80, "12h23p00", t0 + 181 * kMinute));
}

TEST(ErrorRepeats, FlushAClockPutBackAndTooManyTexts) {
  ErrorRepeats r;
  const double t0 = 41144.5;
  r.Admit("a", 1, "12h23m00", t0);
  r.Admit("a", 2, "12h23m01", t0 + kMinute);
  r.Admit("b", 3, "12h23m01", t0 + kMinute);
  const auto flushed = r.Due(t0 + 2 * kMinute, /*flush=*/true);
  ASSERT_EQ(flushed.size(), 1u) << "only what is owed";
  EXPECT_NE(flushed[0].find("repeated 1 more times, the last as number 2"), std::string::npos);
  EXPECT_TRUE(r.Due(t0 + 3 * kMinute, true).empty());
  // The clock put back by a day: the summary is not held back for a day.
  r.Admit("a", 4, "12h22m00", t0 - 1);
  EXPECT_EQ(r.Due(t0 - 1 + kMinute).size(), 1u);

  ErrorRepeats many;
  for (size_t i = 0; i < kMaxRepeatingErrors; ++i)
    EXPECT_TRUE(many.Admit("error " + std::to_string(i), 1, "12h23m00", t0));
  EXPECT_TRUE(many.Admit("one too many", 2, "12h23m00", t0));
  EXPECT_TRUE(many.Admit("one too many", 3, "12h23m00", t0)) << "written every time";
  EXPECT_FALSE(many.Admit("error 0", 4, "12h23m00", t0));
}

TEST(ErrorRepeats, SummaryLinesReadBack) {
  const std::string line = RepeatSummaryLine(59, 1445, "12h24a05", 60, 65535, "12h23o05",
                                             "During X, QZRErr: 5 (x) and Dallas error -1");
  RepeatSummary s;
  ASSERT_TRUE(ParseRepeatSummaryLine(line, s));
  EXPECT_EQ(s.more, 59u);
  EXPECT_EQ(s.last_number, 1445);
  EXPECT_EQ(s.last_stamp, "12h24a05");
  EXPECT_EQ(s.in_all, 60u);
  EXPECT_EQ(s.first_number, 65535);
  EXPECT_EQ(s.first_stamp, "12h23o05");
  EXPECT_EQ(s.text, "During X, QZRErr: 5 (x) and Dallas error -1");
  for (const std::string& bad : {std::string("5: (repeated"), line.substr(0, line.size() - 1),
                                 line.substr(1), std::string("(repeated x more times")})
    EXPECT_FALSE(ParseRepeatSummaryLine(bad, s)) << bad;
}

// A chip gone for 30 days, read every cycle, and a second fault every 63 cycles: the error log
// grows by far less than a megabyte, every number is accounted for, and the lines tell when each
// fault began, how often it came and when it stopped.
TEST(ErrorRepeats, AMonthOfOneFaultAddsLessThanAMegabyte) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  f.liCycleCount = 1000;  // past the young program's hint
  const int64_t log_before = static_cast<int64_t>(s.Read("WM33ErLg.txt").size());
  const uint16_t first = static_cast<uint16_t>(f.wErrorCount + 1);
  const int cycles = static_cast<int>(30 * 86400 / 1.6);
  for (int c = 0; c < cycles; ++c) {
    s.platform.Advance(1600);
    f.ReportDallasError("During LookAtWindSpeed, QZRErr: ", 44, -3);
    if (c % 63 == 0)
      f.ReportError(
          "Err 23aug12p WriteWebPage: the page C:\\web\\WM033BC.htm could "
          "not be written (No such file or directory)");
    f.ReportRepeatedErrors();
  }
  // The faults clear; two hours later the last summaries are out and the errors forgotten.
  for (int c = 0; c < 4500; ++c) {
    s.platform.Advance(1600);
    f.ReportRepeatedErrors();
  }
  f.ReportError("a new error");
  const std::string log = s.Read("WM33ErLg.txt");
  const int64_t added = static_cast<int64_t>(log.size()) - log_before;
  EXPECT_LT(added, 1000000) << "bytes added in 30 days";
  RecordProperty("error_log_bytes_added", std::to_string(added));
  EXPECT_GT(added, 100000) << "an hourly summary of each fault";

  std::map<std::string, uint64_t> in_all;
  std::map<std::string, std::string> last_stamp;
  uint64_t suppressed = 0, numbered = 0;
  std::vector<std::string> run;
  for (size_t at = static_cast<size_t>(log_before); at < log.size();) {
    const size_t end = log.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    run.push_back(log.substr(at, end - at));
    at = end + 2;
  }
  for (const std::string& l : run) {
    RepeatSummary sum;
    if (ParseRepeatSummaryLine(l, sum)) {
      suppressed += sum.more;
      in_all[sum.text] = sum.in_all;
      last_stamp[sum.text] = sum.last_stamp;
    } else {
      ++numbered;
    }
  }
  const std::string wind = "During LookAtWindSpeed, QZRErr: 44 and Dallas error -3";
  EXPECT_EQ(numbered, 3u) << "one first line for each fault, and the new error";
  EXPECT_EQ(in_all[wind], static_cast<uint64_t>(cycles));
  EXPECT_EQ(in_all.size(), 2u);
  EXPECT_EQ(numbered + suppressed, static_cast<uint64_t>(cycles) + (cycles + 62) / 63 + 1)
      << "the numbers count every occurrence";
  EXPECT_EQ(
      run.back().rfind(std::to_string(static_cast<uint16_t>(first + numbered + suppressed - 1)) +
                           ": a new error ",
                       0),
      0u)
      << run.back();
  // The last repeat's stamp is the moment the fault stopped.
  double stopped = 0;
  ASSERT_TRUE(StampToDateTime(last_stamp[wind] + "00", stopped));
  EXPECT_NEAR(stopped, s.platform.now - 4500 * 1.6 / 86400, 1.5 * kMinute);
  // The window holds the newest lines; the lasting fault's first line has left it, but every
  // summary there names its first number and time.
  EXPECT_EQ(s.errdisp.Memo1.Count(), 511);
}

// Through the cycle on the simulated MicroLan: a counter chip gone for two and a half hours.
TEST(ErrorRepeats, ACycleFaultIsSummarisedByTheCycleAndAtQuit) {
  Station s({{"WM033_MICROLAN", "sim"}, {"WM033_SIM_FAULTS_FILE", "faults.txt"}});
  s.CopyDemo();
  s.Write("faults.txt", "q=absent\n");
  TWM033f1& f = s.Start();
  s.Ticks(static_cast<int>(2.5 * 3600 / 1.6));
  s.form->buQuitClick();
  const auto log = s.Lines("WM33ErLg.txt");
  int first_lines = 0, summaries = 0;
  uint64_t in_all = 0;
  for (const std::string& l : log) {
    RepeatSummary sum;
    if (ParseRepeatSummaryLine(l, sum)) {
      if (sum.text.find("LookAtWindSpeed") != std::string::npos) {
        ++summaries;
        in_all = sum.in_all;
      }
    } else if (l.find("LookAtWindSpeed") != std::string::npos) {
      ++first_lines;
    }
  }
  EXPECT_EQ(first_lines, 1);
  EXPECT_EQ(summaries, 3) << "two hourly, and the rest at Quit";
  EXPECT_GT(in_all, 50u);
  EXPECT_LT(log.size(), 40u) << ::testing::PrintToString(log);
  (void)f;
}

}  // namespace
}  // namespace wm033::testing
