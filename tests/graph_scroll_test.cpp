// Scrolling the strip-chart: the moved picture, the blank newest column, day lines, rain ticks,
// wind bars, the column-logged flags, and a pixel-exact golden picture of a short sequence.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>

#include "display/graph_rules.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

constexpr Colour kWhite = forms::RGB(255, 255, 255);
constexpr Colour kSilver = forms::RGB(192, 192, 192);
constexpr Colour kRain = forms::RGB(0, 0, 255);
constexpr Colour kWind = forms::RGB(255, 0, 255);

// A main form with the graph as start-up leaves it (white pane, default tables), built without
// the rest of start-up so that only the graph's own rules are at work.
TWM033f1& GraphForm(Station& s) {
  TWM033f1& f = s.Create();
  f.imMainGraphPane.NewPicture(kGraphWidth, kGraphHeight);
  f.dtColumnPeriod = 0.012;
  f.dtReference = s.platform.now;
  f.rsDayMarker = static_cast<float>(std::floor(s.platform.now));
  for (int c = 0; c < kChannels; ++c) {
    f.wLineScale[static_cast<size_t>(c)] = kSquashFactor;
    f.wLineOffset[static_cast<size_t>(c)] = 0;
    f.clChannel[static_cast<size_t>(c)] = forms::RGB(static_cast<unsigned>(c * 19), 0, 0);
  }
  f.clChannel[5] = kRain;
  f.clChannel[6] = kWind;
  return f;
}

int CountColumn(const display::Bitmap& b, int x, Colour c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y) n += b.GetPixel(x, y) == c;
  return n;
}

TEST(GraphScroll, MovesThePictureLeftAndBlanksTheNewestColumn) {
  Station s;
  TWM033f1& f = GraphForm(s);
  display::Bitmap& pane = f.imMainGraphPane.Picture();
  f.PlotReading(f.TemperatureY(0, 20.0f), forms::RGB(255, 0, 0));
  pane.SetPixel(0, 5, kRain);
  f.bColumnLogged.fill(true);
  f.ScrollGraph();
  EXPECT_EQ(pane.GetPixel(778, 216), forms::RGB(255, 0, 0));
  EXPECT_EQ(CountColumn(pane, 779, kWhite), 237);
  EXPECT_EQ(pane.GetPixel(0, 5), kWhite);  // left the pane at the left edge
  EXPECT_EQ(f.liColumnCount, 1);
  for (bool logged : f.bColumnLogged) EXPECT_FALSE(logged);
}

TEST(GraphScroll, DayChangeMovesTheReferenceAndDrawsTheDayLine) {
  Station s;
  TWM033f1& f = GraphForm(s);
  display::Bitmap& pane = f.imMainGraphPane.Picture();
  const float marker = f.rsDayMarker;
  f.ScrollGraph();  // same day: nothing
  EXPECT_EQ(f.rsDayMarker, marker);
  s.platform.now = marker + 1.0 + 0.0005;  // just after midnight
  f.ScrollGraph();
  EXPECT_EQ(f.rsDayMarker, marker + 1);
  EXPECT_EQ(f.dtReference, s.platform.now);
  // Midnight is 0.0005 day back: under half a column, so x = 780 and the line is at 779.
  EXPECT_EQ(CountColumn(pane, 779, kSilver), 236);  // rows 0..235: the end point is excluded
  EXPECT_EQ(pane.GetPixel(779, 236), kWhite);
}

TEST(GraphScroll, RainTicksOnlyAfterTheFirstRememberedCount) {
  Station s;
  TWM033f1& f = GraphForm(s);
  display::Bitmap& pane = f.imMainGraphPane.Picture();
  f.nRainCalls = 1;
  f.lRainCount = 40;
  auto tick_drawn = [&] { return pane.GetPixel(779, 236) == kRain; };
  f.ScrollGraph();  // column 0: no rain step
  f.ScrollGraph();  // column 1: remembers 40, no tick
  EXPECT_FALSE(tick_drawn());
  EXPECT_EQ(f.lLastRainBar, 40u);
  for (int i = 0; i < 4; ++i) f.ScrollGraph();  // columns 2..5: 5 is a rain step, no rise
  EXPECT_FALSE(tick_drawn());
  f.lRainCount = 41;
  f.ScrollGraph();  // 6
  EXPECT_FALSE(tick_drawn());
  f.ScrollGraph();  // 7
  f.ScrollGraph();  // 8
  f.ScrollGraph();  // 9 = 1 mod 8: the rise is ticked, 10 pixels
  EXPECT_TRUE(tick_drawn());
  EXPECT_EQ(CountColumn(pane, 779, kRain), 10);
  EXPECT_EQ(pane.GetPixel(779, 227), kRain);
  EXPECT_EQ(pane.GetPixel(779, 226), kWhite);
  EXPECT_EQ(f.lLastRainBar, 41u);
}

TEST(GraphScroll, RainCountIsNotRememberedBeforeTheGaugeWasRead) {
  Station s;
  TWM033f1& f = GraphForm(s);
  f.ScrollGraph();
  f.ScrollGraph();
  EXPECT_EQ(f.lLastRainBar, kNoneYet);
}

TEST(GraphScroll, WindBarsByTheCounterRiseWithAFullHeightCap) {
  Station s;
  TWM033f1& f = GraphForm(s);
  display::Bitmap& pane = f.imMainGraphPane.Picture();
  f.liColumnCount = 3;
  f.lWindSpeedCount = 1000;
  f.ScrollGraph();  // first wind step: only remembers
  EXPECT_EQ(CountColumn(pane, 779, kWind), 0);
  EXPECT_EQ(f.lLastWindBar, 1000u);
  f.liColumnCount = 7;
  f.lWindSpeedCount = 1000 + 150 * 300;
  f.ScrollGraph();
  EXPECT_EQ(CountColumn(pane, 779, kWind), 236);  // rows 1..236
  EXPECT_EQ(pane.GetPixel(779, 0), kWhite);
  f.liColumnCount = 11;
  f.lWindSpeedCount += 150 * 20 + 1;
  f.ScrollGraph();
  EXPECT_EQ(CountColumn(pane, 779, kWind), 20);
  EXPECT_EQ(pane.GetPixel(779, 217), kWind);
  EXPECT_EQ(pane.GetPixel(779, 216), kWhite);
  // A negative column count (after 2^31 columns) still picks the step by its signed remainder.
  f.liColumnCount = -5;  // -5 mod 8 = -5: no step
  f.lWindSpeedCount += 1500;
  f.ScrollGraph();
  EXPECT_EQ(CountColumn(pane, 779, kWind), 0);
}

TEST(GraphScroll, CounterPlotCrossing236WrapsToTheBottom) {
  Station s;
  TWM033f1& f = GraphForm(s);
  EXPECT_EQ(f.wYCoord(235, 5), 1);
  EXPECT_EQ(f.wYCoord(236, 5), 236);
  EXPECT_TRUE(s.platform.messages.empty());
  EXPECT_EQ(f.wYCoord(10, 13), 0);  // no such channel
  ASSERT_EQ(s.platform.messages.size(), 1u);
  EXPECT_EQ(s.platform.messages[0], "Err 15aug12z in wYCoord");
}

TEST(GraphScroll, OverdueColumnsAreCaughtUpOnePerCycle) {
  Station s;
  TWM033f1& f = GraphForm(s);
  f.dtNextColumn = s.platform.now - 3 * f.dtColumnPeriod - 1e-6;  // three and a bit behind
  int scrolled = 0;
  for (int i = 0; i < 6; ++i) scrolled += f.IsGraphStepDue();
  EXPECT_EQ(scrolled, 4);
}

TEST(GraphScroll, RecentReadingsShiftTowardsTheOldest) {
  Station s;
  TWM033f1& f = GraphForm(s);
  f.InitPageTable();
  EXPECT_EQ(f.RecentReadings[7].time, "Not Read Yet");
  EXPECT_EQ(f.RecentReadings[0].onoff1, 999999);
  f.lOnOffCount[1] = 12;
  f.AddRecentReadings("C", 20.5f, 999.0f);
  f.AddRecentReadings("F", 68.0f, 50.0f);
  EXPECT_EQ(f.RecentReadings[6].t0, 20.5f);
  EXPECT_EQ(f.RecentReadings[6].unit, "C");
  EXPECT_EQ(f.RecentReadings[7].unit, "F");
  EXPECT_EQ(f.RecentReadings[7].t1, 50.0f);
  EXPECT_EQ(f.RecentReadings[7].onoff1, 12);
  EXPECT_EQ(f.RecentReadings[7].time, "23-Aug-2012, 14:05:00");
  EXPECT_EQ(f.RecentReadings[5].time, "Not Read Yet");
}

TEST(GraphScroll, StampWritesBlackTextAtTheTopLeft) {
  Station s;
  TWM033f1& f = GraphForm(s);
  f.StampGraph();
  const display::Bitmap& pane = f.imMainGraphPane.Picture();
  int dark = 0;
  for (int y = 4; y < 24; ++y)
    for (int x = 4; x < 200; ++x) dark += (pane.GetPixel(x, y) & 0xFF) < 0x80;
  EXPECT_GT(dark, 20);
  EXPECT_EQ(pane.GetPixel(400, 10), kWhite);
}

// Builds the golden sequence: the start-up diagonal, then 40 columns of rising counters and a
// warming temperature, crossing midnight, with rain ticks and wind bars.
display::Bitmap ScrollSequence(Station& s) {
  TWM033f1& f = GraphForm(s);
  f.imMainGraphPane.Picture().Line(0, 0, kGraphWidth, 236, forms::RGB(0, 128, 0));
  s.platform.now = std::floor(s.platform.now) + 1 - 20 * f.dtColumnPeriod;
  f.nRainCalls = 1;
  for (int col = 0; col < 40; ++col) {
    s.platform.now += f.dtColumnPeriod;
    f.ScrollGraph();
    f.lRainCount = 100 + (col / 3) * 7;
    f.lWindSpeedCount = 5000 + col * col * 150;
    f.PlotReading(f.wYCoord(static_cast<uint32_t>(f.lRainCount), 5), f.clChannel[5]);
    f.PlotReading(f.wYCoord(static_cast<uint32_t>(f.lWindSpeedCount / 40), 6), f.clChannel[6]);
    f.PlotReading(f.TemperatureY(0, -3.0f + col * 0.5f), f.clChannel[0]);
    f.PlotReading(f.AnalogueY(8, 101), f.clChannel[8]);
    f.PlotReading(f.OnOffY(11, col % 5 == 0 ? 1 : 0), f.clChannel[11]);
  }
  return f.imMainGraphPane.Picture();
}

TEST(GraphScroll, ShortSequenceMatchesTheGoldenPicture) {
  Station s;
  const display::Bitmap got = ScrollSequence(s);
  const std::string golden = std::string(WM033_SOURCE_DIR) + "/tests/golden/graph/scroll.png";
  const QImage got_image(reinterpret_cast<const uchar*>(got.Data()), got.Width(), got.Height(),
                         got.BytesPerLine(), QImage::Format_RGB32);
  if (std::getenv("WM033_REGEN_GOLDEN")) {
    ASSERT_TRUE(got_image.save(QString::fromStdString(golden), "PNG"));
    GTEST_SKIP() << "wrote " << golden;
  }
  QImage want(QString::fromStdString(golden));
  ASSERT_FALSE(want.isNull()) << "missing " << golden << " (WM033_REGEN_GOLDEN=1 writes it)";
  want = want.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(want.width(), got.Width());
  ASSERT_EQ(want.height(), got.Height());
  int differ = 0;
  for (int y = 0; y < got.Height(); ++y)
    for (int x = 0; x < got.Width(); ++x)
      if (display::FromArgb(want.pixel(x, y)) != got.GetPixel(x, y) && differ++ < 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") differs";
  EXPECT_EQ(differ, 0);
}

}  // namespace
}  // namespace wm033::testing
