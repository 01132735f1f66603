// Counting the health of the configuration lines, and the small pure rules of the outputs
// beside the page: calibrations, text forms, derived file names.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>

#include "datalog/timestamp.h"
#include "outputs/calibration.h"
#include "outputs/codes.h"
#include "outputs/health.h"
#include "outputs/station_outputs.h"
#include "outputs/text_forms.h"

namespace wm033::outputs {
namespace {

constexpr double kT0 = 41144.5;  // 23 Aug 2012, 12:00
constexpr double kSecond = 1.0 / 86400;

// One outermost read of `line` ending with `code`.
std::optional<StateChange> Read(StationHealth& h, int line, uint16_t code, double now) {
  h.Begin(line);
  return h.End(line, code, false, now);
}

TEST(Health, FailingFromTheThirdFailureInARowUntilTheNextGoodRead) {
  StationHealth h;
  EXPECT_FALSE(Read(h, 5, 44, kT0));
  EXPECT_FALSE(Read(h, 5, 0, kT0 + 10 * kSecond));  // a good read ends the run
  EXPECT_FALSE(Read(h, 5, 44, kT0 + 20 * kSecond));
  EXPECT_FALSE(Read(h, 5, 55, kT0 + 30 * kSecond));
  const auto failing = Read(h, 5, 44, kT0 + 40 * kSecond);
  ASSERT_TRUE(failing);
  EXPECT_TRUE(failing->failing);
  EXPECT_EQ(failing->code, 44);
  EXPECT_EQ(failing->code_count, 3u);  // every failure with that code, not only this run's
  EXPECT_EQ(failing->in_a_row, 3u);
  EXPECT_FALSE(Read(h, 5, 44, kT0 + 50 * kSecond));  // said once
  const auto back = Read(h, 5, 0, kT0 + 80 * kSecond);
  ASSERT_TRUE(back);
  EXPECT_FALSE(back->failing);
  EXPECT_EQ(back->in_a_row, 4u);
  EXPECT_NEAR(back->seconds_failed, 60.0, 1e-3);  // from the run's first failure

  const LineHealth& l = h.Line(5);
  EXPECT_EQ(l.reads, 7u);
  EXPECT_EQ(l.failures, 5u);
  EXPECT_EQ(l.in_a_row, 0u);
  EXPECT_FALSE(l.failing);
  EXPECT_EQ(l.by_code, (std::vector<CodeCount>{{44, 4}, {55, 1}}));
  EXPECT_EQ(l.last_code, 44);
  for (int other = 0; other < kLines; ++other)
    if (other != 5) {
      EXPECT_EQ(h.Line(other).reads, 0u) << other;
    }
}

TEST(Health, OnlyTheOutermostReadCountsAndNestedTrapsReachIt) {
  StationHealth h;
  // ReadTtureChannel -> TakeABNWTture -> two steps, one of which caught an error.
  EXPECT_TRUE(h.Begin(1));
  EXPECT_FALSE(h.Begin(1));
  EXPECT_FALSE(h.Begin(1));
  h.End(1, 0, false, kT0);
  EXPECT_FALSE(h.Begin(1));
  h.End(1, 0, true, kT0);
  h.End(1, 0, false, kT0);
  EXPECT_EQ(h.Line(1).reads, 0u);
  h.End(1, 0, false, kT0);
  EXPECT_EQ(h.Line(1).reads, 1u);
  EXPECT_EQ(h.Line(1).failures, 1u);
  EXPECT_EQ(h.Line(1).CountOf(kCodeUnexpected), 1u);
  // The trap belonged to that read: the next one is clean.
  Read(h, 1, 0, kT0);
  EXPECT_EQ(h.Line(1).failures, 1u);
  // A read given up before touching the bus counts nothing and leaves no depth behind.
  h.Begin(1);
  h.Abandon();
  EXPECT_EQ(h.Line(1).reads, 2u);
  EXPECT_TRUE(h.Begin(2));
  h.End(2, 0, false, kT0);
}

TEST(Health, GoodReadingsKeepTheLastTwoAndRevisionFollowsChanges) {
  StationHealth h;
  const uint64_t r0 = h.Revision();
  EXPECT_TRUE(h.Good(6, 100, kT0));
  EXPECT_FALSE(h.Good(6, 100, kT0 + kSecond));  // same value: no change for the readings file
  EXPECT_TRUE(h.Good(6, 130, kT0 + 2 * kSecond));
  EXPECT_EQ(h.Revision(), r0 + 2);
  ASSERT_TRUE(h.Line(6).last_good && h.Line(6).previous_good);
  EXPECT_EQ(h.Line(6).last_good->value, 130);
  EXPECT_EQ(h.Line(6).previous_good->value, 100);
  EXPECT_NEAR(h.Line(6).previous_good->time, kT0 + kSecond, 1e-12);
  for (int i = 0; i < 3; ++i) Read(h, 6, 44, kT0);  // becoming failing is a change too
  EXPECT_EQ(h.Revision(), r0 + 3);
  EXPECT_FALSE(h.Good(99, 1, kT0));  // lines outside k..w are ignored
}

TEST(Health, StateOfALine) {
  LineHealth failing;
  failing.failing = true;
  EXPECT_EQ(StateOf(LineHealth{}, true, true), LineState::kOk);
  EXPECT_EQ(StateOf(failing, true, true), LineState::kFailing);
  EXPECT_EQ(StateOf(failing, true, false), LineState::kDisabled);
  EXPECT_EQ(StateOf(LineHealth{}, false, false), LineState::kNotConfigured);
  EXPECT_STREQ(StateName(LineState::kNotConfigured), "not configured");
}

TEST(Health, CodesAreExplainedByTheRoutineOfTheLine) {
  EXPECT_NE(CodeMeaning(LineKind::kCounter, 44).find("did not answer when selected"),
            std::string::npos);
  EXPECT_NE(CodeMeaning(LineKind::kThermometer, 1574).find("CRC"), std::string::npos);
  EXPECT_NE(CodeMeaning(LineKind::kThermometer, 85).find("power-on"), std::string::npos);
  EXPECT_NE(CodeMeaning(LineKind::kThermometer, 3205).find("adapter error 5"), std::string::npos);
  EXPECT_NE(CodeMeaning(LineKind::kAnalogue, 1).find("0 to 9.99 V"), std::string::npos);
  EXPECT_NE(CodeMeaning(LineKind::kVane, 1220).find("never ended"), std::string::npos);
  // The same number means different steps on different chips.
  EXPECT_NE(CodeMeaning(LineKind::kVane, 1220), CodeMeaning(LineKind::kThermometer, 1220));
  EXPECT_EQ(CodeMeaning(LineKind::kCounter, 4242), "a failure the routine numbers 4242");
  EXPECT_EQ(KindOfLine(4), LineKind::kThermometer);
  EXPECT_EQ(KindOfLine(9), LineKind::kAnalogue);
  EXPECT_EQ(KindOfLine(11), LineKind::kCounter);
}

TEST(OutputSettings, SectionsReadWithTheirDefaultsAndProblems) {
  std::vector<std::string> problems;
  OutputSettings s = OutputSettingsFromText("abWM033ini2\r\n[sbc]\r\nhsi=60\r\n", problems);
  EXPECT_EQ(s.readings_interval_secs, 60);
  EXPECT_FALSE(s.calibration.rain_mm_per_count || s.calibration.wind_m_per_count ||
               s.calibration.pressure_hpa || s.calibration.humidity_rh);
  EXPECT_TRUE(problems.empty());

  s = OutputSettingsFromText(
      "abWM033ini2\n[readings]\ninterval = 0\n[Calibration]\nRainPerCount=0.2794\n"
      "WindRunPerCount=2.4\nPressureSlope=0.1\nPressureOffset=950\nHumidityOffset=-3\n",
      problems);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(s.readings_interval_secs, 0);
  EXPECT_DOUBLE_EQ(*s.calibration.rain_mm_per_count, 0.2794);
  EXPECT_DOUBLE_EQ(*s.calibration.wind_m_per_count, 2.4);
  EXPECT_DOUBLE_EQ(s.calibration.pressure_hpa->slope, 0.1);
  EXPECT_DOUBLE_EQ(s.calibration.pressure_hpa->offset, 950);
  EXPECT_DOUBLE_EQ(s.calibration.humidity_rh->slope, 1);  // an offset alone keeps slope 1
  EXPECT_DOUBLE_EQ(s.calibration.humidity_rh->offset, -3);

  s = OutputSettingsFromText(
      "abWM033ini2\n[Readings]\nInterval=-5\n[Calibration]\nRainPerCount=0,3\n"
      "PressureSlope=x\nPressureOffset=950\n",
      problems);
  EXPECT_EQ(s.readings_interval_secs, kDefaultReadingsInterval);
  EXPECT_FALSE(s.calibration.rain_mm_per_count);
  EXPECT_FALSE(s.calibration.pressure_hpa);  // half a calibration is none
  ASSERT_EQ(problems.size(), 3u);
  EXPECT_NE(problems[1].find("[Calibration] RainPerCount=0,3"), std::string::npos);
  EXPECT_NE(problems[1].find("rain stays in counts"), std::string::npos);
}

TEST(Calibration, ValuesFromTheLatestReadings) {
  Calibration c;
  c.rain_mm_per_count = 0.2;
  c.wind_m_per_count = 2.0;
  c.pressure_hpa = Linear{0.1, 950};
  const Reading first{1000, kT0}, second{1150, kT0 + 60 * kSecond};
  EXPECT_DOUBLE_EQ(*CalibratedReading(c, 5, second, first)->value, 230);
  EXPECT_EQ(CalibratedReading(c, 5, second, first)->unit, "mm");
  EXPECT_NEAR(*CalibratedReading(c, 6, second, first)->value, 5.0, 1e-6);  // 300 m in 60 s
  EXPECT_EQ(CalibratedReading(c, 6, second, first)->unit, "m/s");
  EXPECT_NEAR(*CalibratedReading(c, 8, Reading{551, kT0}, std::nullopt)->value, 1005.1, 1e-9);
  EXPECT_FALSE(CalibratedReading(c, 9, Reading{551, kT0}, std::nullopt));  // not calibrated
  EXPECT_FALSE(CalibratedReading(c, 7, second, first));                    // lightning never is
  // Not made yet: the calibration is there, its value is null.
  EXPECT_FALSE(CalibratedReading(c, 5, std::nullopt, std::nullopt)->value);
  EXPECT_FALSE(CalibratedReading(c, 6, second, std::nullopt)->value);
  // The counter keeps 23 bits: a wrap is counted through, a restart gives no speed.
  EXPECT_NEAR(
      *CalibratedReading(c, 6, Reading{50, kT0 + 60 * kSecond}, Reading{8388598, kT0})->value, 2.0,
      1e-6);
  EXPECT_FALSE(CalibratedReading(c, 6, Reading{20, kT0 + 60 * kSecond}, Reading{5000, kT0})->value);
  EXPECT_FALSE(CalibratedReading(c, 6, Reading{20, kT0}, Reading{10, kT0})->value);
  c.pressure_hpa = Linear{1e308, 1e308};
  EXPECT_FALSE(CalibratedReading(c, 8, Reading{999, kT0}, std::nullopt)->value);  // no "inf"
}

TEST(TextForms, JsonAndHtmlOfHostileText) {
  EXPECT_EQ(JsonString("Out \"1\"\\\r\n\t\x01\x7f"),
            "\"Out \\\"1\\\"\\\\\\r\\n\\t\\u0001\\u007f\"");
  EXPECT_EQ(JsonString("Sch\xc3\xbcr"), "\"Sch\xc3\xbcr\"");        // UTF-8 stays
  EXPECT_EQ(JsonString("Sch\xfcr"), "\"Sch\xc3\xbcr\"");            // Latin-1 becomes UTF-8
  EXPECT_EQ(Utf8Text("\xc3\xbc\xfc"), "\xc3\x83\xc2\xbc\xc3\xbc");  // mixed: every byte Latin-1
  EXPECT_EQ(Utf8Text("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80");  // a surrogate is not UTF-8
  EXPECT_EQ(HtmlText("<b>\"R&D\"</b>'\x07"), "&lt;b&gt;&quot;R&amp;D&quot;&lt;/b&gt;&#39; ");
  EXPECT_EQ(JsonNumber(24), "24");
  EXPECT_EQ(JsonNumber(0.1 * 127), "12.7");
  EXPECT_EQ(JsonNumber(-0.0), "0");
  EXPECT_EQ(JsonNumber(1.0 / 3), "0.333333");
  EXPECT_EQ(JsonNumber(std::nan("")), "null");
  EXPECT_EQ(DurationText(42.4), "42 s");
  EXPECT_EQ(DurationText(3725), "1 h 02 min");
  EXPECT_EQ(DurationText(2 * 86400 + 5 * 3600 + 59), "2 d 5 h");
  EXPECT_EQ(DurationText(-5), "0 s");
}

TEST(TextForms, IsoTimesCarryTheOffsetOfTheirDate) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  EXPECT_EQ(IsoTime(EncodeDayCount(2012, 8, 23, 14, 5, 9)), "2012-08-23T14:05:09+02:00");
  EXPECT_EQ(IsoTime(EncodeDayCount(2012, 12, 24, 0, 0, 0)), "2012-12-24T00:00:00+01:00");
  setenv("TZ", "NST+3:30", 1);
  tzset();
  EXPECT_EQ(IsoTime(EncodeDayCount(2012, 1, 2, 3, 4, 5)), "2012-01-02T03:04:05-03:30");
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
}

TEST(DerivedNames, BesideThePageAndTheImage) {
  EXPECT_EQ(DerivedName("WM033BC.htm", ".json"), "WM033BC.json");
  EXPECT_EQ(DerivedName("WM033BC.htm", "-health.htm"), "WM033BC-health.htm");
  EXPECT_EQ(DerivedName("WM033BC.jpg", ".png"), "WM033BC.png");
  EXPECT_EQ(DerivedName("index", ".json"), "index.json");
  EXPECT_EQ(DerivedName("sub.d\\graph", ".png"), "sub.d\\graph.png");
  // Never the name it was made from: the JPEG or page would be overwritten.
  EXPECT_EQ(DerivedName("graph.PNG", ".png"), "graph.PNG.png");
  EXPECT_EQ(DerivedName("state.json", ".json"), "state.json.json");
}

}  // namespace
}  // namespace wm033::outputs
