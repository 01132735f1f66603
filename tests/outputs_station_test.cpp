// The health count, the readings file, the health page and the PNG on the demo station's
// simulated MicroLan, with faults injected into its chips. Readings documents are checked with
// Python's JSON parser (tests/check_readings.py) against the data log and the numeric display.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "outputs/health.h"
#include "outputs/text_forms.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

using outputs::LineHealth;

// A demo station on the simulated MicroLan whose faults come from faults.txt.
TWM033f1& FaultyStation(Station& s, const std::string& faults) {
  s.CopyDemo();
  s.Write("faults.txt", faults);
  return s.Start();
}

Station::EnvPairs SimEnv() {
  return {{"WM033_MICROLAN", "sim"}, {"WM033_SIM_FAULTS_FILE", "faults.txt"}};
}

bool HasNote(const Station& s, const std::string& text) {
  for (const std::string& n : s.platform.notes)
    if (n.find(text) != std::string::npos) return true;
  return false;
}

// Runs a command and gives its exit status, with what it printed in `out`.
int RunCommand(const std::string& command, std::string& out) {
  out.clear();
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  return pclose(p);
}

std::string JsonText(const std::string& s) {  // a C++ string as a JSON string, for the checker
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\n') {
      out += "\\n";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

TEST(StationHealth, InjectedFaultsAreCountedByLineAndCode) {
  Station s(SimEnv());
  // A missing rain gauge, a DS2438 thermometer with bad CRCs, a thermometer that keeps its
  // power-on value, a missing pressure chip and a vane whose conversion never ends.
  TWM033f1& f = FaultyStation(s, "p=absent,n=badcrc,l=poweron,s=absent,u=stuck");
  for (int line = 0; line < 13; ++line) EXPECT_EQ(f.Outputs.health.Line(line).failures, 0u);
  s.Ticks(400);
  const auto& h = f.Outputs.health;
  auto expect_all_failed = [&](int line, uint16_t code, int32_t calls) {
    const LineHealth& l = h.Line(line);
    EXPECT_EQ(l.reads, static_cast<uint32_t>(calls)) << "line " << char('k' + line);
    EXPECT_EQ(l.failures, l.reads) << "line " << char('k' + line);
    EXPECT_EQ(l.CountOf(code), l.reads) << "line " << char('k' + line);
    EXPECT_TRUE(l.failing) << "line " << char('k' + line);
    EXPECT_FALSE(l.last_good) << "line " << char('k' + line);
  };
  expect_all_failed(5, 44, f.nRainCalls);
  expect_all_failed(3, 1890, f.nTtureCalls[3]);
  expect_all_failed(1, outputs::kCodePowerOn, f.nTtureCalls[1]);
  expect_all_failed(8, 3199, h.Line(8).reads);
  EXPECT_GT(h.Line(8).reads, 10u);
  EXPECT_EQ(f.nBaroReadings, 0);
  // The vane's set-up at start worked; every conversion since has not.
  EXPECT_EQ(h.Line(10).CountOf(1220), h.Line(10).reads - 1);
  EXPECT_EQ(h.Line(10).failures, h.Line(10).reads - 1);
  // Healthy lines: every call a read, the last good value the one shown.
  EXPECT_EQ(h.Line(0).reads, static_cast<uint32_t>(f.nTtureCalls[0]));
  EXPECT_EQ(h.Line(0).failures, 0u);
  EXPECT_EQ(h.Line(0).last_good->value, f.rsTtureLatest[0]);
  EXPECT_EQ(h.Line(6).reads, static_cast<uint32_t>(f.nWindSpeedCalls));
  EXPECT_EQ(h.Line(6).last_good->value, f.lWindSpeedCount);
  EXPECT_EQ(h.Line(9).last_good->value, f.siHumLatest);

  EXPECT_TRUE(HasNote(s,
                      "line p (RF, rainfall) failing: 3 failures in a row, code 44 (the chip "
                      "did not answer when selected: missing, or its wiring), 3 times so far"));
  EXPECT_TRUE(HasNote(s, "line l (In(F), temperature 1) failing: 3 failures in a row, code 85"));
  EXPECT_FALSE(HasNote(s, "line k "));

  // The rain gauge is plugged back in.
  s.Write("faults.txt", "n=badcrc,l=poweron,s=absent,u=stuck");
  const uint32_t failed = h.Line(5).failures;
  s.Ticks(63);
  EXPECT_FALSE(h.Line(5).failing);
  EXPECT_EQ(h.Line(5).failures, failed);
  EXPECT_EQ(h.Line(5).last_good->value, f.lRainCount);
  // 400 cycles of 1.6 s, and the waits of the conversions: a little over 13 minutes.
  EXPECT_TRUE(HasNote(s, "line p (RF, rainfall) ok again after failing for 13 min"));
  EXPECT_TRUE(HasNote(s, "(" + std::to_string(failed) + " failures in a row)"));

  s.platform.notes.clear();
  f.buQuitClick();
  ASSERT_FALSE(s.platform.notes.empty());
  EXPECT_EQ(
      s.platform.notes[0].rfind(
          "line health at Quit: 9 ok, 4 failing (l, n, s, u), 0 disabled, 0 not configured; ", 0),
      0u)
      << s.platform.notes[0];
}

TEST(StationHealth, LinesSwitchedOffOrWithoutAChipOfTheirKind) {
  Station s(SimEnv());
  s.CopyDemo();
  std::string ini = s.Read("WM033ini.txt");
  ini.replace(ini.find("w e0200000533AC1C1D"), 19, "w d0200000533AC1C1D");  // switched off
  ini.replace(ini.find("r e8A00000533A7171D"), 19, "r e8A00000533A71728");  // a thermometer
  s.Write("WM033ini.txt", ini);
  s.Write("faults.txt", "u=absent");  // the vane's set-up fails, so the line is switched off
  TWM033f1& f = s.Start();
  s.Ticks(63);
  const std::string doc = f.ReadingsDocument();
  auto state_of = [&](char line) {
    const size_t at = doc.find(std::string("{\"line\": \"") + line + "\"");
    const size_t state = doc.find("\"state\": \"", at) + 10;
    return doc.substr(state, doc.find('"', state) - state);
  };
  EXPECT_EQ(state_of('w'), "disabled");
  EXPECT_EQ(state_of('r'), "not configured");
  EXPECT_EQ(state_of('u'), "disabled");
  EXPECT_EQ(state_of('k'), "ok");
  EXPECT_EQ(f.Outputs.health.Line(12).reads, 0u);
  EXPECT_EQ(f.Outputs.health.Line(7).reads, 0u);
  // Line u: its set-up failed at the selection, its first read found no set-up.
  EXPECT_EQ(f.Outputs.health.Line(10).by_code,
            (std::vector<outputs::CodeCount>{{51, 1}, {1110, 1}}));
}

TEST(StationHealth, TheHistoryReloadCountsNoRead) {
  Station s(SimEnv());
  TWM033f1& first = FaultyStation(s, "");
  s.Ticks(130);
  first.buQuitClick();
  s.platform.AdvanceDays(0.05);  // a few graph columns later, so the records land on the pane
  TWM033f1& f = s.Start();       // the next start reloads what the first one logged
  int redrawn = 0;               // the reload redrew the temperature traces
  for (int x = 0; x < kGraphWidth; ++x)
    for (int y = 0; y < kGraphHeight; ++y)
      for (size_t c = 0; c < 5; ++c)
        redrawn += f.imMainGraphPane.Picture().GetPixel(x, y) == f.clChannel[c];
  ASSERT_GE(redrawn, 3);
  for (int line = 0; line < 13; ++line) {
    // Only the wind vane's set-up at start has talked to a chip.
    EXPECT_EQ(f.Outputs.health.Line(line).reads, line == 10 ? 1u : 0u) << line;
    EXPECT_FALSE(f.Outputs.health.Line(line).last_good) << line;
  }
  const std::string doc = s.Read("web/WM033BC.json");
  EXPECT_NE(doc.find("{\"channel\": 11, \"line\": \"v\", \"label\": \"OnOff1\", \"value\": null, "
                     "\"text\": null, \"unit\": \"count\", \"time\": null}"),
            std::string::npos)
      << doc;
}

TEST(ReadingsFile, AgreesWithTheDataLogAndTheNumericDisplay) {
  Station s(SimEnv());
  TWM033f1& f = FaultyStation(s, "p=absent");
  std::string checks;
  size_t logged = s.Lines("WM33DtLg.txt").size();
  for (int tick = 0; tick < 700; ++tick) {
    s.Ticks(1);
    const std::vector<std::string> lines = s.Lines("WM33DtLg.txt");
    if (lines.size() == logged) continue;
    std::string records;
    for (size_t i = logged; i < lines.size(); ++i)
      records += (records.empty() ? "" : ", ") + JsonText(lines[i]);
    checks += "{\"records\": [" + records + "], \"doc\": " + JsonText(f.ReadingsDocument()) + "}\n";
    logged = lines.size();
  }
  // Every value label that shows a reading, in both units.
  for (int round = 0; round < 2; ++round) {
    TWM033fControl& c = s.control;
    const std::pair<int, Label*> shown[] = {{0, &c.laTture0}, {1, &c.laTture1},  {2, &c.laTture2},
                                            {3, &c.laTture3}, {4, &c.laTture4},  {6, &c.laWS},
                                            {7, &c.laLT},     {8, &c.laBP},      {9, &c.laHum},
                                            {10, &c.laWDi},   {11, &c.laOnOff1}, {12, &c.laOnOff2}};
    std::string display;
    for (const auto& [channel, label] : shown)
      display += (display.empty() ? "" : ", ") + std::string("\"") + std::to_string(channel) +
                 "\": " + JsonText(label->Caption());
    checks += "{\"display\": {" + display + "}, \"doc\": " + JsonText(f.ReadingsDocument()) + "}\n";
    f.buCorFClick();
  }
  s.Write("checks.jsonl", checks);
  std::string out;
  const int status = RunCommand("python3 " + std::string(WM033_SOURCE_DIR) +
                                    "/tests/check_readings.py " + s.Path("checks.jsonl"),
                                out);
  EXPECT_EQ(status, 0) << out;
  const size_t at = out.rfind(" checked");
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_GT(std::stoi(out.substr(out.rfind('\n', at) + 1)), 60) << out;
  // The rain gauge never answered: its reading is null, though the display shows the 0 that the
  // failed read left, and the log holds that 0.
  const std::string doc = f.ReadingsDocument();
  EXPECT_EQ(s.control.laRF.Caption(), "0");
  EXPECT_NE(doc.find("\"label\": \"RF\", \"value\": null"), std::string::npos);
}

TEST(ReadingsFile, WrittenWithThePageAndBetweenPagesOnlyWhenAReadingChanged) {
  Station s(SimEnv());
  TWM033f1& f = FaultyStation(s, "");
  std::vector<double> told;
  f.Outputs.on_readings.push_back([&](const std::string& doc) {
    EXPECT_EQ(doc, s.Read("web/WM033BC.json"));
    told.push_back(s.platform.now);
  });
  f.dtNextPage = s.platform.now + 1;  // no page for a day: only the in-between writes
  s.Ticks(300);                       // 8 minutes
  ASSERT_GE(told.size(), 7u);
  for (size_t i = 1; i < told.size(); ++i)
    EXPECT_GE((told[i] - told[i - 1]) * 86400, 60.0 - 1e-6) << i;

  // Nothing changes: nothing is written, however long.
  f.bChipEnabled.fill(false);
  f.bChipEnabled[0] = true;
  f.WriteReadingsFile();
  const size_t writes = told.size();
  s.platform.Advance(120000);
  EXPECT_FALSE(f.IsReadingsDue());
  f.Outputs.health.Good(5, 1e6, s.platform.now);
  EXPECT_TRUE(f.IsReadingsDue());
  EXPECT_EQ(told.size(), writes);

  // A page write always brings one; Interval=0 switches the file off altogether.
  f.WriteWebPage();
  EXPECT_EQ(told.size(), writes + 1);
  f.Outputs.settings.readings_interval_secs = 0;
  std::filesystem::remove(s.Path("web/WM033BC.json"));
  f.WriteWebPage();
  s.Ticks(63);
  EXPECT_EQ(told.size(), writes + 1);
  EXPECT_FALSE(std::filesystem::exists(s.Path("web/WM033BC.json")));
}

TEST(ReadingsFile, AFolderThatIsGoneIsNotedOnceAndAddsNoErrorLine) {
  Station s(SimEnv());
  TWM033f1& f = FaultyStation(s, "");
  std::filesystem::remove_all(s.Path("web"));
  const size_t errors = s.platform.error_lines.size();
  f.WriteReadingsFile();
  f.WriteHealthPage();
  f.WriteReadingsFile();
  EXPECT_EQ(s.platform.error_lines.size(), errors);
  int said = 0;
  for (const std::string& n : s.platform.notes)
    said += n.find("the readings file C:\\web\\WM033BC.json was not written") != std::string::npos;
  EXPECT_EQ(said, 1);
  EXPECT_TRUE(HasNote(s, "the health page C:\\web\\WM033BC-health.htm was not written"));
  std::filesystem::create_directories(s.Path("web"));
  f.WriteReadingsFile();
  EXPECT_TRUE(HasNote(s, "the readings file C:\\web\\WM033BC.json written again"));
  EXPECT_TRUE(std::filesystem::exists(s.Path("web/WM033BC.json")));
}

TEST(GraphPng, HoldsTheGraphPanePixelForPixel) {
  Station s(SimEnv());
  TWM033f1& f = FaultyStation(s, "");
  s.Ticks(700);  // some columns of readings
  f.dtNextImage = 0;
  s.Ticks(1);
  const display::Bitmap& pane = f.imMainGraphPane.Picture();
  const std::string png = s.Read("web/WM033BC.png");
  ASSERT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  const QImage image = QImage(QString::fromStdString(s.Path("web/WM033BC.png")))
                           .convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(image.width(), kGraphWidth);
  ASSERT_EQ(image.height(), kGraphHeight);
  int differ = 0, coloured = 0;
  for (int y = 0; y < kGraphHeight; ++y) {
    for (int x = 0; x < kGraphWidth; ++x) {
      const Colour want = pane.GetPixel(x, y);
      if (display::FromArgb(image.pixel(x, y)) != want && differ++ < 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ")";
      coloured += want == f.clChannel[0];
    }
  }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(coloured, 2) << "temperature 0's trace should be in the picture in its own red";
  // The JPEG of the same moment is there too, at its size.
  const QImage jpeg(QString::fromStdString(s.Path("web/WM033BC.jpg")));
  EXPECT_EQ(jpeg.size(), image.size());
}

TEST(HealthPage, ShowsStatesCodesCalibrationsAndEscapesNames) {
  Station s(SimEnv());
  s.CopyDemo();
  std::string settings = s.Read("WM033/WM033ini2.txt");
  const size_t at = settings.find("p0fL=Out ");
  ASSERT_NE(at, std::string::npos);
  settings.replace(at, 9, "p0fL=<b>\"Out\"</b>");
  settings +=
      "\r\n[Calibration]\r\nRainPerCount=0.2\r\nPressureSlope=0.5\r\nPressureOffset=800\r\n";
  s.Write("WM033/WM033ini2.txt", settings);
  s.Write("faults.txt", "q=absent");
  TWM033f1& f = s.Start();
  s.Ticks(130);
  f.WriteWebPage();
  const std::string page = s.Read("web/WM033BC-health.htm");
  const std::string doc = s.Read("web/WM033BC.json");
  EXPECT_EQ(page.find("<b>\"Out"), std::string::npos);
  EXPECT_NE(page.find("&lt;b&gt;&quot;Out&quot;&lt;/b&gt;(F)"), std::string::npos);
  EXPECT_NE(doc.find("\"label\": \"<b>\\\"Out\\\"</b>(F)\""), std::string::npos);
  EXPECT_NE(page.find("<span class=\"state failing\">failing</span>"), std::string::npos);
  EXPECT_NE(page.find("code 44 &times; "), std::string::npos);
  EXPECT_NE(page.find("<a href=\"WM033BC.htm\">"), std::string::npos);
  EXPECT_NE(page.find("src=\"WM033BC.png\""), std::string::npos);
  EXPECT_NE(page.find("background:#0000ff\"></span>RF"), std::string::npos);  // rain is blue
  // Calibrated readings: rain in mm, pressure in hPa; humidity stays in its code.
  const double rain_mm = f.Outputs.health.Line(5).last_good->value * 0.2;
  const double hpa = f.Outputs.health.Line(8).last_good->value * 0.5 + 800;
  EXPECT_NE(
      doc.find("\"calibrated\": " + outputs::JsonNumber(rain_mm) + ", \"calibrated_unit\": \"mm\""),
      std::string::npos)
      << doc;
  EXPECT_NE(
      doc.find("\"calibrated\": " + outputs::JsonNumber(hpa) + ", \"calibrated_unit\": \"hPa\""),
      std::string::npos);
  EXPECT_NE(page.find(outputs::HtmlText(outputs::JsonNumber(hpa)) + "&nbsp;hPa"),
            std::string::npos);
  EXPECT_EQ(doc.find("\"calibrated_unit\": \"%\""), std::string::npos);
}

TEST(OutputSettings, ReadAtStartAndDescribedInTheHelpTexts) {
  Station s(SimEnv());
  s.CopyDemo();
  s.Write("faults.txt", "");
  s.Write("WM033/WM033ini2.txt", s.Read("WM033/WM033ini2.txt") +
                                     "\r\n[Readings]\r\nInterval=often\r\n[Calibration]\r\n"
                                     "WindRunPerCount=2.4\r\n");
  TWM033f1& f = s.Start();
  EXPECT_TRUE(f.bSettingsOk);
  ASSERT_EQ(s.platform.messages.size(), 2u);  // ours, then the new data log's notice
  EXPECT_NE(s.platform.messages[0].find("[Readings] Interval=often"), std::string::npos);
  EXPECT_EQ(f.Outputs.settings.readings_interval_secs, 60);
  EXPECT_EQ(f.Outputs.settings.calibration.wind_m_per_count, 2.4);
  s.Ticks(130);  // two wind-speed readings at least: a speed
  EXPECT_NE(f.ReadingsDocument().find("\"calibrated_unit\": \"m/s\""), std::string::npos);
  EXPECT_EQ(f.ReadingsDocument().find("\"calibrated\": null"), std::string::npos);

  s.platform.messages.clear();
  f.Overview1.Click();
  f.Legacy1.Click();
  f.Modern1.Click();
  ASSERT_EQ(s.platform.messages.size(), 3u);
  for (const std::string& text : s.platform.messages) {
    EXPECT_NE(text.find("[Readings]"), std::string::npos) << text;
    EXPECT_NE(text.find("[Calibration]"), std::string::npos) << text;
  }
  EXPECT_NE(s.platform.messages[2].find("WindRunPerCount=2.4"), std::string::npos);
}

}  // namespace
}  // namespace wm033::testing
