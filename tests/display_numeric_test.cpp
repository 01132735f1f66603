// The numeric display: number texts, the units switch, captions and colours; and the wind dial.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "display/numeric_display.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

using display::FormatReadingText;

TEST(DisplayNumeric, FormatReadingRoundsToDigitsAndOneDecimal) {
  EXPECT_EQ(FormatReadingText(21.46L, 3), "21.5");
  EXPECT_EQ(FormatReadingText(5.46L, 3), "5.5");
  EXPECT_EQ(FormatReadingText(-12.34L, 3), "-12.3");
  EXPECT_EQ(FormatReadingText(100.36L, 3), "100.0");
  EXPECT_EQ(FormatReadingText(100.36L, 4), "100.4");
  EXPECT_EQ(FormatReadingText(21.46L, 4), "21.5");
  EXPECT_EQ(FormatReadingText(5.46L, 4), "5.5");
  EXPECT_EQ(FormatReadingText(-12.34L, 4), "-12.3");
  // Single-precision readings as the display gets them.
  EXPECT_EQ(FormatReadingText(21.46f, 3), "21.5");
  EXPECT_EQ(FormatReadingText(68.0f, 3), "68.0");
}

TEST(DisplayNumeric, FormatReadingEdges) {
  EXPECT_EQ(FormatReadingText(0.0L, 3), "0.0");
  EXPECT_EQ(FormatReadingText(-0.04L, 3), "0.0");  // no "-0.0"
  EXPECT_EQ(FormatReadingText(0.05L, 3), "0.1");   // halves go away from zero
  EXPECT_EQ(FormatReadingText(-0.25L, 3), "-0.3");
  EXPECT_EQ(FormatReadingText(99.96L, 3), "100.0");
  EXPECT_EQ(FormatReadingText(9.96L, 3), "10.0");
  EXPECT_EQ(FormatReadingText(0.00001L, 3), "0.0");
  EXPECT_EQ(FormatReadingText(12345.0L, 3), "1.23E4");  // more integer digits than allowed
  EXPECT_EQ(FormatReadingText(999.96L, 3), "1E3");
  EXPECT_EQ(FormatReadingText(-100000.0L, 4), "-1E5");
  EXPECT_EQ(FormatReadingText(std::numeric_limits<long double>::quiet_NaN(), 3), "NAN");
  EXPECT_EQ(FormatReadingText(-std::numeric_limits<long double>::infinity(), 3), "-INF");
  EXPECT_EQ(FormatReadingText(1e4000L, 3), "1E4000");
  EXPECT_EQ(FormatReadingText(21.46L, 0), "2E1");  // digits below 1 count as 1
}

TEST(DisplayNumeric, FormatReadingMarksTheConversionForCrashWatch) {
  Station s;
  TWM033f1& f = s.Create();
  std::vector<std::string> seen;
  f.laWatchForCrash.OnChange([&] { seen.push_back(f.laWatchForCrash.Caption()); });
  EXPECT_EQ(f.FormatReading(21.46L, 3), "21.5");
  EXPECT_EQ(seen,
            (std::vector<std::string>{"About to do floattstrF", "Finished doing floattstrF"}));
}

TEST(DisplayNumeric, Fahrenheit) {
  EXPECT_EQ(display::FahrenheitOf(20.0f), 68.0f);
  EXPECT_EQ(display::FahrenheitOf(-40.0f), -40.0f);
  EXPECT_EQ(display::FahrenheitOf(999.0f), 999.0f);
  EXPECT_EQ(display::FahrenheitOf(1.0f), 33.8f);
}

// A form whose captions are as start-up leaves them.
TWM033f1& Labelled(Station& s) {
  TWM033f1& f = s.Create();
  f.InitChannelLabels();
  return f;
}

TEST(DisplayNumeric, StartUpCaptionsAndDesignTexts) {
  Station s;
  Labelled(s);
  TWM033fControl& c = s.control;
  EXPECT_EQ(c.laTxtTture0.Caption(), "T0 (F)");
  EXPECT_EQ(c.laTxtTture4.Caption(), "T4 (F)");
  EXPECT_EQ(c.laTxtRainfall.Caption(), "RF");
  EXPECT_EQ(c.laTxtWindspeed.Caption(), "WS");
  EXPECT_EQ(c.laTxtLtning.Caption(), "LT");
  EXPECT_EQ(c.laTxtBP.Caption(), "BP");
  EXPECT_EQ(c.laTxtHum.Caption(), "HM");
  EXPECT_EQ(c.laTxtOnOff1.Caption(), "OnOff1");
  EXPECT_EQ(c.laTxtOnOff2.Caption(), "OnOff2");
  EXPECT_EQ(c.Label1.Caption(), "WD(i)");
  EXPECT_EQ(c.Label5.Caption(), "WD(a)");
  EXPECT_EQ(c.laTture2.Caption(), "- - -");
  EXPECT_EQ(c.laRF.Caption(), "9997999");
  EXPECT_EQ(c.laBP.Caption(), "9999");
  EXPECT_EQ(c.laWDi.Caption(), "XXX");
}

TEST(DisplayNumeric, ToggleBeforeAnyReadingChangesOnlyCaptions) {
  Station s;
  TWM033f1& f = Labelled(s);
  f.buCorF.Click();
  EXPECT_TRUE(f.bShowCelsius);
  EXPECT_EQ(f.buCorF.Caption(), "&Show F'heit");
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(s.control.TtureValue(c).Caption(), "- - -");
    EXPECT_EQ(s.control.TtureCaption(c).Caption(), "T" + std::to_string(c) + " (C)");
  }
  // Captions the start-up sets later follow the button.
  f.InitChannelLabels();
  EXPECT_EQ(s.control.laTxtTture1.Caption(), "T1 (C)");
}

TEST(DisplayNumeric, ToggleRewritesReadValuesAndTwoTogglesReturn) {
  Station s;
  TWM033f1& f = Labelled(s);
  f.rsTtureLatest[0] = 20.0f;
  f.rsTtureLatest[3] = -40.0f;
  f.sFieldLabel[1] = "Attic";  // a name from the settings file keeps its place
  f.ToggleUnits();
  EXPECT_EQ(s.control.laTture0.Caption(), "20.0");
  EXPECT_EQ(s.control.laTture3.Caption(), "-40.0");
  EXPECT_EQ(s.control.laTture1.Caption(), "- - -");
  EXPECT_EQ(s.control.laTxtTture1.Caption(), "Attic(C)");
  f.ToggleUnits();
  EXPECT_FALSE(f.bShowCelsius);
  EXPECT_EQ(f.buCorF.Caption(), "&Show Celcius");
  EXPECT_EQ(s.control.laTture0.Caption(), "68.0");
  EXPECT_EQ(s.control.laTture3.Caption(), "-40.0");
  EXPECT_EQ(s.control.laTxtTture0.Caption(), "T0 (F)");
  EXPECT_EQ(s.control.laTxtTture1.Caption(), "Attic(F)");
  EXPECT_EQ(f.rsTtureLatest[0], 20.0f);  // held in Celsius throughout
}

TEST(DisplayNumeric, ValueColoursFollowTheChannelsAndWindIsAqua) {
  Station s;
  TWM033f1& f = s.Create();
  for (int c = 0; c < kChannels; ++c)
    f.clChannel[static_cast<size_t>(c)] = static_cast<Colour>(0x010101 * (c + 1));
  f.SetReadingColours();
  TWM033fControl& c = s.control;
  EXPECT_EQ(c.laTture0.FontColour(), 0x010101u);
  EXPECT_EQ(c.laTture4.FontColour(), 0x050505u);
  EXPECT_EQ(c.laRF.FontColour(), 0x060606u);
  EXPECT_EQ(c.laWS.FontColour(), 0x070707u);
  EXPECT_EQ(c.laLT.FontColour(), 0x080808u);
  EXPECT_EQ(c.laBP.FontColour(), 0x090909u);
  EXPECT_EQ(c.laHum.FontColour(), 0x0A0A0Au);
  EXPECT_EQ(c.laOnOff1.FontColour(), 0x0C0C0Cu);
  EXPECT_EQ(c.laOnOff2.FontColour(), 0x0D0D0Du);
  EXPECT_EQ(c.laWDi.FontColour(), forms::RGB(0, 255, 255));
  EXPECT_EQ(c.laWDa.FontColour(), forms::RGB(0, 255, 255));
  EXPECT_EQ(c.laTxtRainfall.FontColour(), forms::kBlack);  // captions stay black
}

constexpr Colour kTeal = forms::RGB(0, 128, 128);

TEST(DisplayWindDial, PointerRunsAcrossTheDialWithAThickHeadAtTheRim) {
  Station s;
  TWM033f1& f = s.Create();
  f.InitState();
  const display::Bitmap& dial = f.iWindDial.Picture();
  f.DrawWindDial(0);                                // north: head at the top
  EXPECT_EQ(dial.GetPixel(30, 5), forms::kBlack);   // head
  EXPECT_EQ(dial.GetPixel(25, 5), forms::kBlack);   // 12 pixels wide
  EXPECT_EQ(dial.GetPixel(30, 40), forms::kBlack);  // shaft
  EXPECT_EQ(dial.GetPixel(25, 40), kTeal);          // only 4 wide
  EXPECT_EQ(dial.GetPixel(15, 30), kTeal);
  f.DrawWindDial(4);  // east: the old pointer is erased
  EXPECT_EQ(dial.GetPixel(30, 40), kTeal);
  EXPECT_EQ(dial.GetPixel(55, 30), forms::kBlack);
  EXPECT_EQ(dial.GetPixel(15, 30), forms::kBlack);
}

TEST(DisplayWindDial, UnreadableDirectionShowsAnEmptyDial) {
  Station s;
  TWM033f1& f = s.Create();
  f.InitState();
  const display::Bitmap& dial = f.iWindDial.Picture();
  for (int d : {16, -1, 200}) {
    f.DrawWindDial(9);
    f.DrawWindDial(d);
    EXPECT_EQ(dial.GetPixel(30, 30), kTeal);
    EXPECT_EQ(dial.GetPixel(30, 0), forms::kBlack);             // the rim
    EXPECT_EQ(dial.GetPixel(0, 0), forms::RGB(255, 255, 255));  // outside the disc
  }
}

}  // namespace
}  // namespace wm033::testing
