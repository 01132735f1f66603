// Wind direction: one reading of the vane's quad ADC, its compass point on the labels and the
// dial, the per-direction tallies, and the "wd" record of the tallies every 181 readings.
#include "app/wm033f1.h"
#include "datalog/records.h"
#include "outputs/health.h"
#include "sensors/wind_vane.h"

namespace wm033 {

namespace {
constexpr int kVaneSlot = 10;
constexpr uint16_t kReadingsPerRecord = 180;
}  // namespace

void TWM033f1::LookAtWindDir() {
  TWM033fControl& c = WM033fControl;
  for (Label* l : {&c.laADCa, &c.laADCb, &c.laADCc, &c.laADCd}) l->SetCaption("---");
  uint16_t a = 0, b = 0, cc = 0, d = 0, code = 0;
  int32_t tmex = 0;
  outputs::ReadScope read(*this, kVaneSlot);  // a pattern not in the table fails the read too
  DMLGet2540ADC(kVaneSlot, a, b, cc, d, code, tmex);
  if (code != 0) {
    read.Done(code);
    ReportDallasError("During LookAtWindDir,QZRErr: ", code, tmex);
  } else {
    c.laADCa.SetCaption(std::to_string(a));
    c.laADCb.SetCaption(std::to_string(b));
    c.laADCc.SetCaption(std::to_string(cc));
    c.laADCd.SetCaption(std::to_string(d));
    const std::string pattern = WindPattern(a, b, cc, d, iWindLowThreshold, iWindHighThreshold);
    const int raw = RawWindDirection(pattern, bWindDirTable);
    c.laWDr.SetCaption(pattern);
    c.laWDb.SetCaption(std::to_string(raw));
    c.laWDi.SetCaption(raw == kUnreadableDirection
                           ? "???"
                           : CompassNames[static_cast<size_t>(raw + bWindDirRotation)]);
    ++wWindDirTally[static_cast<size_t>(raw)];
    ++wWindDirReadings;
    bLastRawWindDir = static_cast<uint8_t>(raw);
    read.Done(raw == kUnreadableDirection ? outputs::kCodeNoPattern : 0);
    if (raw != kUnreadableDirection)
      Outputs.health.Good(kVaneSlot, DisplayedWindDirection(raw, bWindDirRotation) * 22.5,
                          platform().Now());
  }
  bDisplayedWindDir =
      static_cast<uint8_t>(DisplayedWindDirection(bLastRawWindDir, bWindDirRotation));
  DrawWindDial(bDisplayedWindDir);
}

void TWM033f1::LogWindTallies() {
  if (wWindDirReadings <= kReadingsPerRecord) return;
  wWindDirReadings = 0;
  if (bDataLogOpen) {
    bColumnLogged[kVaneSlot] = true;
    WriteDataLogLine(WindTalliesRecord(MakeTimeStamp(), wWindDirTally));
  }
  CheckQuitRequest();
}

}  // namespace wm033
