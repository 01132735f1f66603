// The strip-chart: a 780 x 237 bitmap that is itself the history. Readings are single pixels in
// the newest column (x 779); the pane moves one pixel to the left every column period, with day
// lines at midnight, rain ticks and wind bars at the bottom, and the channels' column-logged
// flags cleared so that each channel logs again early in the new column.
#include "app/wm033f1.h"
#include "display/bitmap.h"
#include "display/graph_rules.h"

namespace wm033 {

namespace {
constexpr int kRainTickLength = 10;
constexpr int kStampPointSize = 8;
constexpr int kRainChannel = 5;
constexpr int kWindChannel = 6;

bool IsChannel(int c) {
  return c >= 0 && c < kChannels;
}
size_t Index(int c) {
  return static_cast<size_t>(c);
}
}  // namespace

uint16_t TWM033f1::wYCoord(uint32_t raw, int channel) {
  if (!IsChannel(channel)) {
    platform().ShowMessage("Err 15aug12z in wYCoord");
    return 0;
  }
  return display::CounterY(raw, wLineScale[Index(channel)], wLineOffset[Index(channel)]);
}

uint16_t TWM033f1::TemperatureY(int channel, float v) {
  if (!IsChannel(channel)) return display::kBottomRow;
  return display::TemperatureYOf(v, wLineScale[Index(channel)], wLineOffset[Index(channel)]);
}

uint16_t TWM033f1::AnalogueY(int channel, int32_t v) {
  if (!IsChannel(channel)) return display::kBottomRow;
  return display::AnalogueYOf(v, wLineScale[Index(channel)], wLineOffset[Index(channel)]);
}

uint16_t TWM033f1::OnOffY(int channel, int32_t n) {
  if (!IsChannel(channel)) return display::kBottomRow;
  return display::OnOffYOf(n, wLineScale[Index(channel)], wLineOffset[Index(channel)]);
}

// One reading: the pixel (779, y) in the channel's colour.
void TWM033f1::PlotReading(int y, Colour colour) {
  imMainGraphPane.Picture().SetPixel(display::kNewestColumn, y, colour);
  imMainGraphPane.Repaint();
}

// A bar rising from the bottom row, `height` pixels tall (the line's end point is not drawn).
void TWM033f1::DrawBar(Colour colour, int x, int height) {
  imMainGraphPane.Picture().Line(x, display::kBottomRow, x, display::kBottomRow - height, colour);
  imMainGraphPane.Repaint();
}

int TWM033f1::TimeToX(double t) {
  return display::TimeToXOf(dtReference, t, dtColumnPeriod);
}

// The silver day line one pixel left of the column of instant t.
void TWM033f1::DrawDayLine(double t) {
  const int x = TimeToX(t) - 1;
  imMainGraphPane.Picture().Line(x, 0, x, display::kBottomRow, clSilver);
  imMainGraphPane.Repaint();
}

void TWM033f1::ScrollGraph() {
  display::Bitmap& pane = imMainGraphPane.Picture();
  pane.CopyRect(0, 0, 1, 0, display::kPaneWidth - 1, display::kPaneHeight);
  pane.Line(display::kNewestColumn, 0, display::kNewestColumn, display::kPaneHeight, clWhite);

  const double now = platform().Now();
  if (!(rsDayMarker + 1 >= now)) {
    dtReference = now;
    rsDayMarker += 1;
    DrawDayLine(rsDayMarker);
  }

  switch (liColumnCount % 8) {
    case 1:
    case 5:
      if (lLastRainBar == kNoneYet) {
        // Nothing to compare with yet: the first count read becomes the base of the ticks.
        if (nRainCalls > 0) lLastRainBar = static_cast<uint32_t>(lRainCount);
      } else if (static_cast<int64_t>(lRainCount) > static_cast<int64_t>(lLastRainBar)) {
        pane.Line(display::kNewestColumn, display::kBottomRow, display::kNewestColumn,
                  display::kBottomRow - kRainTickLength, clChannel[kRainChannel]);
        lLastRainBar = static_cast<uint32_t>(lRainCount);
      }
      break;
    case 3:
    case 7:
      if (static_cast<int64_t>(lWindSpeedCount) > static_cast<int64_t>(lLastWindBar)) {
        DrawBar(clChannel[kWindChannel], display::kNewestColumn,
                display::WindBarHeight(lWindSpeedCount, lLastWindBar, wWindDivisor));
      }
      lLastWindBar = static_cast<uint32_t>(lWindSpeedCount);
      break;
    default:
      break;
  }

  ++liColumnCount;
  bColumnLogged = {};
  imMainGraphPane.Repaint();
}

// The update line written onto the pane before it is saved as the page's image.
void TWM033f1::StampGraph() {
  display::Bitmap& pane = imMainGraphPane.Picture();
  display::DrawText(pane, 0, 4, "   ", kStampPointSize, forms::kBlack, clWhite, true);
  display::DrawText(pane, 4, 4, "Graph updated " + MakeReadableDateTime(true), kStampPointSize,
                    forms::kBlack, clWhite, true);
  imMainGraphPane.Repaint();
}

void TWM033f1::AddRecentReadings(const std::string& unit, float t0, float t1) {
  for (size_t i = 0; i + 1 < RecentReadings.size(); ++i) RecentReadings[i] = RecentReadings[i + 1];
  RecentReading& newest = RecentReadings.back();
  newest.t0 = t0;
  newest.t1 = t1;
  newest.unit = unit;
  newest.time = MakeReadableDateTime(true);
  newest.onoff1 = lOnOffCount[1];
}

void TWM033f1::InitPageTable() {
  RecentReadings.fill(RecentReading{});
}

}  // namespace wm033
