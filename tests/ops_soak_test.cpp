// The soak's checks and timetable: the checks must pass the records our writer makes and catch
// lost, changed, glued or damaged lines and broken error numbering; a seed must give the same
// timetable every time, with no restart in the quiet time before a day's end.
#include <gtest/gtest.h>

#include <set>

#include "datalog/records.h"
#include "tools/soak/log_checks.h"
#include "tools/soak/plan.h"

namespace wm033::soak {
namespace {

constexpr const char* kStamp = "24f01k19";  // 1 June 2024, 10:19

std::string Line(const std::string& text) {
  return text + "\r\n";
}

std::string SomeLog() {
  std::array<uint16_t, 17> tallies{};
  tallies[3] = 300;  // three digits: the field grows, the record is still good
  return Line(DataLogHeaderLine1()) + Line(DataLogHeaderLine2(kStamp)) +
         Line(StartRecord(kStamp, "23Aug12c")) + Line(WindOptionsRecord(kStamp, 9, 0)) +
         Line(CounterRecord("rf", kStamp, 3738)) + Line(CounterRecord("ws", kStamp, 4294967295u)) +
         Line(AnalogueRecord("bp", kStamp, 1.0132f)) + Line(TemperatureRecord(0, kStamp, -5.3f)) +
         Line(TemperatureRecord(4, kStamp, 123.4f)) + Line(WindTalliesRecord(kStamp, tallies)) +
         Line(MachineCommentRecord(kStamp, 2000)) + Line(HandCommentRecord(kStamp, "rain gauge"));
}

std::vector<std::string> Checked(DataLogChecker& c, const std::string& log) {
  std::vector<std::string> problems;
  c.Check(log, problems);
  return problems;
}

TEST(SoakDataLog, PassesEveryRecordTheWriterMakes) {
  DataLogChecker c;
  EXPECT_EQ(Checked(c, SomeLog()), std::vector<std::string>{});
  EXPECT_EQ(c.LinesChecked(), 12);
  // A second look judges only what was added.
  EXPECT_EQ(Checked(c, SomeLog() + Line(CounterRecord("lt", kStamp, 1))),
            std::vector<std::string>{});
  EXPECT_EQ(c.LinesChecked(), 13);
}

TEST(SoakDataLog, CatchesDamagedRecords) {
  for (const std::string bad : {"rf24f01k1900000373",       // counter one digit short
                                "t024f01k19+05a0",          // temperature not digits
                                "bp24f01k19101",            // pressure three digits
                                "rf24m01k19000003738",      // month letter m
                                "xx24f01k19000003738",      // no such record type
                                "wd24f01k1900000000",       // tallies too short
                                "cm24f01k19 tab\there"}) {  // control character
    DataLogChecker c;
    EXPECT_EQ(Checked(c, SomeLog() + Line(bad)).size(), 1u) << bad;
  }
  DataLogChecker lf_only;
  EXPECT_EQ(Checked(lf_only, SomeLog() + CounterRecord("rf", kStamp, 1) + "\n").size(), 1u);
}

TEST(SoakDataLog, StampsMustFallInTheSoaksTime) {
  const double day = *StampDay(kStamp);
  DataLogChecker c;
  c.SetStampBounds(day + 0.5, day + 1);
  EXPECT_EQ(Checked(c, Line(CounterRecord("rf", kStamp, 1))).size(), 1u);
  DataLogChecker d;
  d.SetStampBounds(day - 1, day - 0.5);
  EXPECT_EQ(Checked(d, Line(CounterRecord("rf", kStamp, 1))).size(), 1u);
  DataLogChecker e;
  e.SetStampBounds(day, day);  // the same minute is in
  EXPECT_TRUE(Checked(e, Line(CounterRecord("rf", kStamp, 1))).empty());
}

TEST(SoakDataLog, WhatWasThereMustStayUnchanged) {
  DataLogChecker c;
  const std::string log = SomeLog();
  ASSERT_TRUE(Checked(c, log).empty());
  std::string changed = log;
  changed[40] = 'X';
  EXPECT_EQ(Checked(c, changed).size(), 1u);
  DataLogChecker d;
  ASSERT_TRUE(Checked(d, log).empty());
  EXPECT_EQ(Checked(d, log.substr(0, log.size() - 5)).size(), 1u);  // lost its end
}

TEST(SoakDataLog, ARecordCutShortMayStandAloneButNothingMayBeGluedToIt) {
  const std::string next = Line(CounterRecord("lt", kStamp, 7));
  for (size_t keep : {0u, 5u, 100u}) {  // nothing kept, a part, the text and its CR
    DataLogChecker c;
    ASSERT_TRUE(Checked(c, SomeLog()).empty());
    const auto cut = c.CutLastLine(keep);
    ASSERT_TRUE(cut.has_value());
    EXPECT_LT(cut->size(), SomeLog().size());
    // The next start ended the line (if anything of it was left), then wrote on.
    const char last = cut->back();
    const std::string mended = *cut + (last == '\n' ? "" : last == '\r' ? "\n" : "\r\n") + next;
    EXPECT_EQ(Checked(c, mended), std::vector<std::string>{}) << keep;
    DataLogChecker g;
    ASSERT_TRUE(Checked(g, SomeLog()).empty());
    const auto glued_base = g.CutLastLine(5);
    EXPECT_EQ(Checked(g, *glued_base + next).size(), 1u) << "glued";
  }
  // The station's own old lines are never cut.
  DataLogChecker old(SomeLog());
  old.MarkSoakStart();
  EXPECT_FALSE(old.CutLastLine(3).has_value());
}

TEST(SoakDataLog, AnOldLogIsKeptButNotJudged) {
  DataLogChecker c("garbage line\r\nhalf a rec");
  c.MarkSoakStart();
  // The line left half written is judged once it is ended.
  EXPECT_EQ(Checked(c, std::string("garbage line\r\nhalf a rec\r\n") +
                           Line(CounterRecord("rf", kStamp, 1)))
                .size(),
            1u);
}

TEST(SoakErrorLog, NumbersRunOnFromOneAndMatchWhatWasPrinted) {
  const std::vector<std::string> printed = {"1: first 24f01k19", "2: second 24f01k19",
                                            "3: third 24f01k20"};
  std::string log;
  for (const auto& l : printed) log += Line(l);
  std::vector<std::string> problems;
  CheckErrorLogRun(Line("WM033 Error log. Created by the program 24f01k19") + log, true, false,
                   true, printed, 1, problems);
  EXPECT_EQ(problems, std::vector<std::string>{});

  problems.clear();  // a line missing
  CheckErrorLogRun(Line(printed[0]) + Line(printed[2]), false, false, false, printed, 2, problems);
  EXPECT_EQ(problems.size(), 1u) << ::testing::PrintToString(problems);
  problems.clear();  // ... is allowed while writes were limited, but not out of order
  CheckErrorLogRun(Line(printed[0]) + Line(printed[2]), false, true, false, printed, 2, problems);
  EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
  CheckErrorLogRun(Line(printed[1]) + Line(printed[0]), false, true, false, printed, 2, problems);
  EXPECT_EQ(problems.size(), 2u) << ::testing::PrintToString(problems);

  problems.clear();  // changed text; a line out of turn and never printed; a line cut short
  CheckErrorLogRun(Line("1: frist 24f01k19") + Line("4: ghost 24f01k21") + "5: par", false, false,
                   false, printed, 3, problems);
  EXPECT_EQ(problems.size(), 3u) << ::testing::PrintToString(problems);
}

// Repeats of an error are counted and summarised; the numbers they took are the gaps.
TEST(SoakErrorLog, SummariesOfRepeatsAccountForTheGaps) {
  const std::string chip = "During LookAtWindSpeed, QZRErr: 44 and Dallas error -3";
  const std::vector<std::string> printed = {
      "1: " + chip + " 24f01k19",
      "2: Err 23aug12p WriteWebPage: the page could not be written 24f01k19",
      // numbers 3 to 60 are repeats of the chip, 61 and 62 of the page
      RepeatSummaryLine(58, 60, "24f01l18", 59, 1, "24f01k19", chip),
      RepeatSummaryLine(2, 62, "24f01l18", 3, 2, "24f01k19",
                        "Err 23aug12p WriteWebPage: the page could not be written"),
      "63: another 24f01l19",
      // 64 and 65: the chip again, counted at Quit
      RepeatSummaryLine(2, 65, "24f01l19", 61, 1, "24f01k19", chip)};
  std::string log;
  for (const auto& l : printed) log += Line(l);
  std::vector<std::string> problems;
  CheckErrorLogRun(log, false, false, true, printed, 1, problems);
  EXPECT_EQ(problems, std::vector<std::string>{});

  // Killed before the page's summary was due: fewer counted than the gaps hold is fine then...
  std::vector<std::string> killed = printed;
  killed.erase(killed.begin() + 3);
  std::string cut;
  for (const auto& l : killed) cut += Line(l);
  CheckErrorLogRun(cut, false, false, false, killed, 2, problems);
  EXPECT_EQ(problems, std::vector<std::string>{});
  // ... but not after Quit, which writes every count owed.
  CheckErrorLogRun(cut, false, false, true, killed, 3, problems);
  EXPECT_EQ(problems.size(), 1u) << ::testing::PrintToString(problems);

  // Counts that do not run on, a summary without its first line, more counted than missing,
  // and a numbered line at or below a counted repeat.
  const std::vector<std::vector<std::string>> bad = {
      {"1: a 24f01k19", RepeatSummaryLine(3, 4, "24f01k19", 3, 1, "24f01k19", "a")},
      {"1: a 24f01k19", RepeatSummaryLine(3, 4, "24f01k19", 4, 1, "24f01k19", "b")},
      {"1: a 24f01k19", RepeatSummaryLine(3, 4, "24f01k19", 4, 1, "24f01k19", "a"), "5: b 24f01k19",
       RepeatSummaryLine(1, 5, "24f01k19", 5, 1, "24f01k19", "a")},
      {"1: a 24f01k19", RepeatSummaryLine(3, 4, "24f01k19", 4, 1, "24f01k19", "a"),
       "3: b 24f01k19"}};
  for (const auto& lines : bad) {
    std::string text;
    for (const auto& l : lines) text += Line(l);
    problems.clear();
    CheckErrorLogRun(text, false, false, false, lines, 4, problems);
    EXPECT_FALSE(problems.empty()) << ::testing::PrintToString(lines);
  }

  // Numbers wrap at 65536.
  const std::vector<std::string> wrapped = {
      "1: a 24f01k19", RepeatSummaryLine(65534, 65535, "24f01k19", 65535, 1, "24f01k19", "a"),
      "0: b 24f01k20", "1: c 24f01k20"};
  std::string w;
  for (const auto& l : wrapped) w += Line(l);
  problems.clear();
  CheckErrorLogRun(w, false, false, true, wrapped, 5, problems);
  EXPECT_EQ(problems, std::vector<std::string>{});
  EXPECT_TRUE(IsErrorLogLine(wrapped[1]));
  EXPECT_FALSE(IsErrorLogLine("WM033: history reloaded in 3.1 ms"));
}

TEST(SoakErrorLog, ErrorLineNumbers) {
  EXPECT_EQ(ErrorLineNumber("12: text"), 12);
  EXPECT_EQ(ErrorLineNumber("WM033: history reloaded"), -1);
  EXPECT_EQ(ErrorLineNumber("12:text"), -1);
  EXPECT_EQ(ErrorLineNumber(": x"), -1);
}

const std::vector<PlanChip> kChips = {{'k', "28"}, {'p', "1D"}, {'s', "26"}, {'u', "20"}};

TEST(SoakPlan, ASeedGivesTheSameTimetable) {
  const Plan a = MakePlan(5, 4, kChips), b = MakePlan(5, 4, kChips), c = MakePlan(6, 4, kChips);
  ASSERT_EQ(a.kills.size(), b.kills.size());
  for (size_t i = 0; i < a.kills.size(); ++i) EXPECT_EQ(a.kills[i].at, b.kills[i].at);
  EXPECT_EQ(FaultsAt(a, 3 * kHour), FaultsAt(b, 3 * kHour));
  EXPECT_NE(a.kills.front().at, c.kills.front().at);
}

TEST(SoakPlan, CoversEveryKindOfTroubleAndKeepsItsQuietTimes) {
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    const Plan p = MakePlan(seed, 2, kChips);
    std::set<EpisodeKind> kinds;
    for (const Episode& e : p.episodes) {
      kinds.insert(e.kind);
      EXPECT_GE(e.start, kQuietStart);
      EXPECT_LE(e.end, p.length - kQuietEnd);
      if (e.kind == EpisodeKind::kDiskFull) {  // a restart at each end
        EXPECT_FALSE(InQuietBeforeDayEnd(e.start)) << seed;
        EXPECT_FALSE(InQuietBeforeDayEnd(e.end)) << seed;
      }
    }
    EXPECT_TRUE(kinds.count(EpisodeKind::kDiskFull) && kinds.count(EpisodeKind::kPageFolderGone))
        << seed;
    ASSERT_GE(p.kills.size(), 2u);
    bool cut = false;
    for (const Kill& k : p.kills) {
      EXPECT_FALSE(InQuietBeforeDayEnd(k.at)) << seed;
      EXPECT_LE(k.at, p.length - kQuietEnd);
      cut = cut || k.cut;
    }
    EXPECT_TRUE(cut) << seed;
  }
}

TEST(SoakPlan, FaultsFitTheirChipAndNeverOverlapOnOne) {
  const Plan p = MakePlan(3, 30, kChips);
  std::map<char, std::vector<const Episode*>> by_chip;
  for (const Episode& e : p.episodes) {
    if (e.kind != EpisodeKind::kChipFault) continue;
    const auto chip = std::find_if(kChips.begin(), kChips.end(),
                                   [&](const PlanChip& c) { return c.letter == e.letter; });
    ASSERT_NE(chip, kChips.end());
    const auto allowed = FaultsFor(chip->family);
    EXPECT_NE(std::find(allowed.begin(), allowed.end(), e.fault), allowed.end()) << e.fault;
    for (const Episode* o : by_chip[e.letter]) EXPECT_TRUE(e.start >= o->end || o->start >= e.end);
    by_chip[e.letter].push_back(&e);
    // While it lasts the fault list names it, and after it no more.
    EXPECT_NE(FaultsAt(p, e.start).find(std::string(1, e.letter) + "=" + e.fault),
              std::string::npos);
  }
  EXPECT_FALSE(by_chip.empty());
  EXPECT_EQ(FaultsAt(p, p.length - 1), "");
  EXPECT_EQ(OutOfQuiet(kDay - kHour), kDay + 5 * kMinute);
  EXPECT_EQ(OutOfQuiet(kDay + kHour), kDay + kHour);
}

}  // namespace
}  // namespace wm033::soak
