// The cycle: the slot table, the due tests, re-entry and the traps that keep a station running.
#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "app/slot_table.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

std::array<bool, 13> AllEnabled() {
  std::array<bool, 13> e;
  e.fill(true);
  return e;
}

TEST(SlotTable, CountsOver63Cycles) {
  std::map<SlotAction, int> n;
  for (int slot = 0; slot < kCycleSlots; ++slot)
    for (SlotAction a : SlotActions(slot, AllEnabled())) ++n[a];
  EXPECT_EQ(n[SlotAction::Tture0], 2);
  for (SlotAction a :
       {SlotAction::Tture1, SlotAction::Tture2, SlotAction::Tture3, SlotAction::Tture4,
        SlotAction::OnOff1, SlotAction::OnOff2, SlotAction::ExpireMessages})
    EXPECT_EQ(n[a], 1);
  EXPECT_EQ(n[SlotAction::Lightning], 2);
  EXPECT_EQ(n[SlotAction::Humidity], 2);
  EXPECT_EQ(n[SlotAction::Pressure], 4);
  EXPECT_EQ(n[SlotAction::Rainfall] + n[SlotAction::RainfallTrapped], 6);
  EXPECT_EQ(n[SlotAction::WindSpeed], 5);
  EXPECT_EQ(n[SlotAction::WindDir], 22);
  EXPECT_EQ(n[SlotAction::WindTallies], 6);
  EXPECT_EQ(n[SlotAction::MachineComment], 2);
  for (int slot : {1, 13, 23, 33, 43, 50, 53}) EXPECT_TRUE(SlotSteps(slot).empty()) << slot;
}

TEST(SlotTable, EnableFlagsGuardEachStep) {
  std::array<bool, 13> e{};
  EXPECT_TRUE(SlotActions(3, e).empty());
  e[11] = true;
  EXPECT_EQ(SlotActions(3, e), std::vector<SlotAction>{SlotAction::OnOff1});
  e[7] = e[12] = true;
  EXPECT_EQ(SlotActions(3, e), (std::vector<SlotAction>{SlotAction::Lightning, SlotAction::OnOff1,
                                                        SlotAction::OnOff2}));
  // Steps without a channel always run.
  EXPECT_EQ(SlotActions(60, std::array<bool, 13>{}).size(), 1u);
  EXPECT_EQ(SlotActions(0, std::array<bool, 13>{}).size(), 1u);
}

TEST(SlotTable, FirstMachineCommentAtCycle16000) {
  int first = 0;
  for (int n = 1; n < 200000 && !first; ++n) {
    const int slot = n % kCycleSlots;
    const bool comment_slot =
        !SlotSteps(slot).empty() && SlotSteps(slot)[0].action == SlotAction::MachineComment;
    if (comment_slot && n % 2000 == 0) first = n;
  }
  EXPECT_EQ(first, 16000);
}

TEST(Cycle, MachineCommentRecordAtCycle16000) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  f.liCycleCount = 15999;
  s.Ticks(1);  // cycle 15999: slot 60, no comment
  EXPECT_EQ(s.Lines("WM33DtLg.txt").back().find("(machine generated)"), std::string::npos);
  s.Ticks(1);  // cycle 16000: slot 61
  EXPECT_EQ(s.Lines("WM33DtLg.txt").back(),
            "cm" + f.MakeTimeStamp() + "(machine generated) Cycles since start:16000");
}

TEST(Cycle, CountsAndShowsTimeOfDay) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  s.platform.now = EncodeDayCount(2012, 3, 7, 9, 5, 7) - 1600 / 86400000.0;
  s.Ticks(1);
  EXPECT_EQ(f.liCycleCount, 2);
  EXPECT_EQ(f.laCycle.Caption(), "2");
  EXPECT_EQ(f.laTOD.Caption(), " 9:05:07        7/ 3/2012");
  EXPECT_TRUE(f.bCycleReady);
  // The first tick replaced the start-up status line with the credit text.
  EXPECT_NE(f.laMsgs.Caption().rfind("One moment ", 0), 0u);
}

TEST(Cycle, NoCycleBeforeStartupCompletes) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Create();
  f.Timer1Timer();
  EXPECT_EQ(f.liCycleCount, 1);
}

TEST(Cycle, TickDuringMessageProcessingStartsNoSecondCycle) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  bool nested_ran = false;
  s.platform.events.push_back([&] {
    f.Timer1Timer();
    nested_ran = true;
  });
  s.Ticks(1);
  EXPECT_TRUE(nested_ran);
  EXPECT_EQ(f.liCycleCount, 2);
  s.Ticks(1);
  EXPECT_EQ(f.liCycleCount, 3);
}

TEST(Cycle, GraphCatchesUpOneColumnPerCycle) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  f.dtNextColumn = s.platform.now + f.dtColumnPeriod;
  s.platform.AdvanceDays(1.0 / 24);  // held up for an hour
  int due = 0;
  for (int i = 0; i < 10; ++i) due += f.IsGraphStepDue() ? 1 : 0;
  EXPECT_EQ(due, 3);  // 0.012 day columns: 3.47 per hour
  EXPECT_GT(f.dtNextColumn, s.platform.now);
}

TEST(Cycle, PageDueWhileChannel0UnreadMovesOnWithoutWriting) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  f.rsPageInterval = 0.5f;
  f.dtNextPage = s.platform.now - 0.001;
  const auto before = f.RecentReadings[7].time;
  s.Ticks(1);
  EXPECT_EQ(f.RecentReadings[7].time, before);
  EXPECT_NEAR(f.dtNextPage, s.platform.now + 0.5, 1e-6);
}

TEST(Cycle, ImageIntervalZeroNeverSaves) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  f.iImageIntervalSecs = 0;
  f.dtNextImage = 0;
  EXPECT_FALSE(f.IsImageDue());
  f.iImageIntervalSecs = 3;  // 1 to 4 seconds: every cycle
  f.rsImageInterval = 0;
  EXPECT_TRUE(f.IsImageDue());
  s.platform.Advance(1);
  EXPECT_TRUE(f.IsImageDue());
}

TEST(Cycle, ErrorEscapingACycleIsReportedAndTheNextTickRuns) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  s.platform.events.push_back([] { throw std::runtime_error("disk on fire"); });
  s.Ticks(1);
  EXPECT_TRUE(f.bCycleReady);
  EXPECT_NE(s.errdisp.Memo1.Line(0).find("disk on fire"), std::string::npos);
  const int32_t n = f.liCycleCount;
  s.Ticks(1);
  EXPECT_EQ(f.liCycleCount, n + 1);
}

TEST(Cycle, QuitDuringAWaitLeavesLogsClosed) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  s.platform.events.push_back([&] { f.buQuitClick(); });
  s.Ticks(1);
  EXPECT_TRUE(f.bQuitting);
  EXPECT_FALSE(f.bDataLogOpen);
  EXPECT_FALSE(f.bErrorLogOn);
  EXPECT_FALSE(f.fErrorLog.IsOpen());
  const std::string log_before = s.Read("WM33ErLg.txt");
  f.ReportError("after quit");
  EXPECT_EQ(s.Read("WM33ErLg.txt"), log_before);
  EXPECT_TRUE(s.platform.terminated);
  EXPECT_EQ(s.platform.exit_status, kExitOk);
}

TEST(Cycle, CycleAfterQuitSaysSoAndEnds) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  f.bQuitting = true;
  s.Ticks(1);
  EXPECT_EQ(s.platform.messages.back(), "Died at point \"x\" of 16 Apr 12");
  EXPECT_TRUE(s.platform.terminated);
}

TEST(Cycle, StopAfterCyclesRunsQuit) {
  Station s({{"WM033_STOP_AFTER_CYCLES", "3"}});
  s.CopyDemo();
  TWM033f1& f = s.Start();
  s.Ticks(2);
  EXPECT_FALSE(f.bQuitting);
  s.Ticks(1);
  EXPECT_TRUE(f.bQuitting);
  EXPECT_TRUE(s.platform.terminated);
}

TEST(Windows, ResizeKeepsTheThreeWindowsTogether) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  f.SetState(forms::WindowState::Maximized);
  EXPECT_EQ(f.State(), forms::WindowState::Normal);
  f.SetState(forms::WindowState::Minimized);
  EXPECT_EQ(s.control.State(), forms::WindowState::Minimized);
  EXPECT_EQ(s.errdisp.State(), forms::WindowState::Minimized);
  f.SetState(forms::WindowState::Normal);
  EXPECT_EQ(s.control.State(), forms::WindowState::Normal);
  EXPECT_EQ(s.errdisp.State(), forms::WindowState::Normal);
}

TEST(Windows, ClosingTheErrorWindowEndsTheProgram) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  s.errdisp.Close();
  EXPECT_TRUE(f.bQuitting);
  EXPECT_TRUE(s.platform.terminated);
}

TEST(Windows, Wm33FolderShowsTheWarningOnce) {
  Station s;
  s.CopyDemo();
  s.Start();
  EXPECT_EQ(s.form->wm033warnF1, nullptr);
  std::filesystem::create_directories(s.Path("WM33"));
  s.Start();
  ASSERT_NE(s.form->wm033warnF1, nullptr);
  EXPECT_EQ(s.form->wm033warnF1->Caption(), "WM033 Warning about file names");
}

TEST(Paths, DriveMapping) {
  const Environment env = Environment::FromPairs(
      {{"WM033_DRIVE_C", "/srv/station"}, {"WM033_DRIVE_E", "/mnt/e/"}}, "/work");
  EXPECT_EQ(*MapPath(env, "C:/WM33DtLg.txt"), "/srv/station/WM33DtLg.txt");
  EXPECT_EQ(*MapPath(env, "c:\\WM033\\WM033ini2.txt"), "/srv/station/WM033/WM033ini2.txt");
  EXPECT_EQ(*MapPath(env, "E:\\web\\WM033BC.htm"), "/mnt/e/web/WM033BC.htm");
  EXPECT_EQ(*MapPath(env, "WM033ini.txt"), "/work/WM033ini.txt");
  EXPECT_EQ(*MapPath(env, "/var/www/x.htm"), "/var/www/x.htm");
  std::string why;
  EXPECT_FALSE(MapPath(env, "D:\\web\\", &why));
  EXPECT_NE(why.find("WM033_DRIVE_D"), std::string::npos);
}

TEST(Paths, EnvironmentValuesThatDoNotReadAreNamed) {
  const Environment env = Environment::FromPairs({{"WM033_CLOCK_RATE", "fast"},
                                                  {"WM033_STOP_AFTER_CYCLES", "-2"},
                                                  {"WM033_CLOCK_START", "2012-08-23 14:05:00"}},
                                                 "/w");
  EXPECT_EQ(env.clock_rate, 1.0);
  EXPECT_FALSE(env.stop_after_cycles);
  EXPECT_TRUE(env.clock_start_epoch);
  EXPECT_EQ(env.problems.size(), 2u);
}

}  // namespace
}  // namespace wm033::testing
