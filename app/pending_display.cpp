// Routines of the display subsystem that have not been written yet. Each line goes when its routine
// is written in display/.
#include "app/wm033f1.h"

namespace wm033 {

uint16_t TWM033f1::wYCoord(uint32_t, int) { return 236; }
uint16_t TWM033f1::TemperatureY(int, float) { return 236; }
uint16_t TWM033f1::AnalogueY(int, int32_t) { return 236; }
uint16_t TWM033f1::OnOffY(int, int32_t) { return 236; }
void TWM033f1::PlotReading(int, Colour) {}
void TWM033f1::DrawBar(Colour, int, int) {}
int TWM033f1::TimeToX(double) { return 0; }
void TWM033f1::DrawDayLine(double) {}
void TWM033f1::ScrollGraph() {}
void TWM033f1::StampGraph() {}
void TWM033f1::AddRecentReadings(const std::string&, float, float) {}
void TWM033f1::InitPageTable() {}
void TWM033f1::InitChannelLabels() {}
void TWM033f1::SetReadingColours() {}
void TWM033f1::buCorFClick() {}
float TWM033f1::ToFahrenheit(float x) { return x == 999.0f ? x : static_cast<float>(x * 1.8L + 32); }
std::string TWM033f1::FormatReading(long double, int) { return {}; }
void TWM033f1::DrawWindDial(int) {}

}  // namespace wm033
