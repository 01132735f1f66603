// Wind speed, rainfall and lightning: each a cumulative pulse count read from a DS2423 counter,
// plotted, shown, and logged under its own rule.
#include <exception>

#include "app/wm033f1.h"
#include "datalog/records.h"

namespace wm033 {

namespace {
constexpr int kRainSlot = 5, kWindSlot = 6, kLightningSlot = 7;
}  // namespace

void TWM033f1::LookAtWindSpeed() {
  ++nWindSpeedCalls;
  DMLGetCount(kWindSlot, bCounterPage[kWindSlot], lCountRead, wQZRErr, liDallErr);
  if (wQZRErr != 0) ReportDallasError("During LookAtWindSpeed, QZRErr: ", wQZRErr, liDallErr);
  if (wQZRErr == 0) Outputs.health.Good(kWindSlot, lCountRead, platform().Now());
  lWindSpeedCount = static_cast<int32_t>(lCountRead);
  PlotReading(wYCoord(static_cast<uint32_t>(lWindSpeedCount), kWindSlot), clChannel[kWindSlot]);
  WM033fControl.laWS.SetCaption(std::to_string(lWindSpeedCount));
  const std::string line =
      CounterRecord("ws", MakeTimeStamp(), static_cast<uint32_t>(lWindSpeedCount));
  if (bDataLogOpen && (lWindSpeedLogged + 100 < lWindSpeedCount || nWindSpeedCalls % 100 == 1 ||
                       !bColumnLogged[kWindSlot])) {
    bColumnLogged[kWindSlot] = true;
    WriteDataLogLine(line);
    lWindSpeedLogged = lWindSpeedCount;
  }
}

void TWM033f1::LookAtAndDealWithRainfallCount() {
  sExceptionTag = "Err in LookAtAndDealWithRainfallCount";
  try {
    ++nRainCalls;
    DMLGetCount(kRainSlot, bCounterPage[kRainSlot], lCountRead, wQZRErr, liDallErr);
    if (wQZRErr != 0) ReportDallasError("During LookAtRain, wQZRErrReturned: ", wQZRErr, liDallErr);
    if (wQZRErr == 0) Outputs.health.Good(kRainSlot, lCountRead, platform().Now());
    lRainCount = static_cast<int32_t>(lCountRead);
    PlotReading(wYCoord(static_cast<uint32_t>(lRainCount), kRainSlot), clChannel[kRainSlot]);
    WM033fControl.laRF.SetCaption(std::to_string(lRainCount));
    const std::string line =
        CounterRecord("rf", MakeTimeStamp(), static_cast<uint32_t>(lRainCount));
    if (bDataLogOpen &&
        (lRainCount > lRainLogged || nRainCalls % 100 == 1 || !bColumnLogged[kRainSlot])) {
      bColumnLogged[kRainSlot] = true;
      WriteDataLogLine(line);
      lRainLogged = lRainCount;
    }
  } catch (const std::exception& e) {
    ShowTrap(e.what());
  } catch (...) {
    ShowTrap("");
  }
}

void TWM033f1::LookLightning() {
  ++nLightningCalls;
  DMLGetCount(kLightningSlot, bCounterPage[kLightningSlot], lCountRead, wQZRErr, liDallErr);
  if (wQZRErr != 0) ReportDallasError("During LookLightning, QZRErrReturned: ", wQZRErr, liDallErr);
  if (wQZRErr == 0) Outputs.health.Good(kLightningSlot, lCountRead, platform().Now());
  lLightningCount = static_cast<int32_t>(lCountRead);
  PlotReading(wYCoord(static_cast<uint32_t>(lLightningCount), kLightningSlot),
              clChannel[kLightningSlot]);
  WM033fControl.laLT.SetCaption(std::to_string(lLightningCount));
  const std::string line =
      CounterRecord("lt", MakeTimeStamp(), static_cast<uint32_t>(lLightningCount));
  if (bDataLogOpen && (lLightningCount > lLightningLogged || nLightningCalls % 35 == 1 ||
                       !bColumnLogged[kLightningSlot])) {
    bColumnLogged[kLightningSlot] = true;
    WriteDataLogLine(line);
    lLightningLogged = lLightningCount;
  }
}

}  // namespace wm033
