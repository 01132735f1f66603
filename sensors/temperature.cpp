// Temperature channels 0 to 4: read, placeholders dropped, shown in the chosen unit, plotted,
// and logged in Celsius.
#include "app/wm033f1.h"
#include "datalog/records.h"

namespace wm033 {

namespace {
constexpr float kPlaceholders = 250.0f;  // 254: power-on value, 255: read failed
}

void TWM033f1::LookAtTture(int c) {
  if (c < 0 || c > 4) {
    ReportError("Case stmt needs expanding Err 2 of 3Oct03");
    ReportError("Case stmt needs expanding Err 1 of 3Oct03");
    return;
  }
  const size_t i = static_cast<size_t>(c);
  ++nTtureCalls[i];
  const float t = ReadTtureChannel(static_cast<uint8_t>(c));
  if (!(t < kPlaceholders)) return;
  Outputs.health.Good(c, t, platform().Now());
  WM033fControl.TtureValue(c).SetCaption(FormatReading(bShowCelsius ? t : ToFahrenheit(t), 3));
  const bool changed = t != rsTtureLatest[i];
  rsTtureLatest[i] = t;
  PlotReading(TemperatureY(c, t), clChannel[i]);
  const int32_t call = nTtureCalls[i] % 120;
  if (bDataLogOpen && (((call == 1 || call == 2) && changed) || !bColumnLogged[i])) {
    WriteDataLogLine(TemperatureRecord(c, MakeTimeStamp(), t));
    bColumnLogged[i] = true;
  }
}

}  // namespace wm033
