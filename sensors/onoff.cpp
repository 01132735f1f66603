// The two on/off inputs: counter chips whose count is shown, drawn as a two-level trace with
// edges (or as the count itself, by plot style) and logged.
#include "app/wm033f1.h"
#include "datalog/records.h"
#include "sensors/rules.h"

namespace wm033 {

// Transition state of an on/off reading: 3 changed after a change, 2 changed after a quiet one,
// 1 quiet after a change, 0 quiet after a quiet one. States 1 and 2 are edges.
int OnOffTransition(bool changed, bool previous_changed) {
  if (changed) return previous_changed ? 3 : 2;
  return previous_changed ? 1 : 0;
}

void TWM033f1::LookOnOff(int n) {
  const size_t i = (n == 1 || n == 2) ? static_cast<size_t>(n) : 0;
  ++nOnOffCalls[i];
  wQZRErr = 0;
  const int slot = 10 + n;
  if (i != 0) {
    DMLGetCount(static_cast<uint8_t>(slot), bCounterPage[static_cast<size_t>(slot)], lCountRead,
                wQZRErr, liDallErr);
  } else {
    wQZRErr = 99;
  }
  if (wQZRErr != 0) {
    ReportDallasError("During LookOnOff, channel " + std::to_string(n) + ", QZRErr: ", wQZRErr,
                      liDallErr);
    return;
  }
  Outputs.health.Good(slot, lCountRead, platform().Now());
  ApplyOnOffReading(n, kGraphWidth - 1, static_cast<int32_t>(lCountRead));
  const size_t ch = static_cast<size_t>(slot);
  if (bDataLogOpen && (nOnOffCalls[i] % 35 == 1 || !bColumnLogged[ch])) {
    bColumnLogged[ch] = true;
    WriteDataLogLine(CounterRecord(n == 1 ? "b1" : "b2", MakeTimeStamp(),
                                   static_cast<uint32_t>(lOnOffCount[i])));
    lOnOffPrev[i] = lOnOffCount[i];
  }
}

void TWM033f1::ApplyOnOffReading(int n, int x, int32_t count) {
  if (n != 1 && n != 2) return;
  const size_t i = static_cast<size_t>(n);
  const int slot = 10 + n;
  const size_t ch = static_cast<size_t>(slot);
  lOnOffCount[i] = count;
  if (bOnOffSeen[i]) {
    const bool changed = lOnOffCount[i] != lOnOffPrev[i];
    const int state = OnOffTransition(changed, bOnOffPrevChanged[i]);
    const bool edge = state == 1 || state == 2;
    const int low = OnOffY(slot, 0);
    const int high = OnOffY(slot, kSquashFactor);
    display::Bitmap& pane = imMainGraphPane.Picture();
    switch (bPlotStyle[ch]) {
      case 0:
        if (edge)
          pane.Line(x, low, x, high, clChannel[ch]);
        else
          pane.SetPixel(x, changed ? high : low, clChannel[ch]);
        break;
      case 1:
        pane.SetPixel(x, changed ? high : low, clChannel[ch]);
        break;
      case 2:
        pane.SetPixel(x, OnOffY(slot, lOnOffCount[i]), clChannel[ch]);
        break;
      default:
        platform().ShowMessage("\"case\" problem 2009-11-10");
        break;
    }
    imMainGraphPane.Repaint();
    lOnOffPrev[i] = lOnOffCount[i];
    (n == 1 ? WM033fControl.laOnOff1 : WM033fControl.laOnOff2)
        .SetCaption(std::to_string(lOnOffCount[i]));
    bOnOffPrevChanged[i] = changed;
  }
  bOnOffSeen[i] = true;
}

}  // namespace wm033
