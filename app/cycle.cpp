// The timed cycle: one tick of Timer1 runs one cycle, whose number modulo 63 picks the device
// work; the graph, page and image steps follow when their times have come.
#include <algorithm>
#include <chrono>
#include <exception>

#include "app/slot_table.h"
#include "app/wm033f1.h"
#include "datalog/records.h"
#include "datalog/timestamp.h"

namespace wm033 {

namespace {
constexpr const char* kCreditText =
    "WM033 weather monitor: watching the MicroLan. Readings are logged to the data log; errors, "
    "if any, are listed in the error window.";
}  // namespace

void TWM033f1::Timer1Timer() {
  if (!bCycleReady) return;
  if (laMsgs.Caption().compare(0, 11, "One moment ") == 0) laMsgs.SetCaption(kCreditText);
  const auto started = std::chrono::steady_clock::now();
  try {
    RunCycle();
  } catch (const std::exception& e) {
    // An unattended station must keep running: report what escaped and let the next tick run.
    bInCycle = false;
    bCycleReady = true;
    ReportError("Unexpected error in cycle " + std::to_string(liCycleCount) + " (" + sExceptionTag +
                "): " + e.what());
    laMsgs.SetCaption("An unexpected error was caught in a cycle; see the error window.");
  } catch (...) {
    bInCycle = false;
    bCycleReady = true;
    ReportError("Unexpected error in cycle " + std::to_string(liCycleCount) + " (" + sExceptionTag +
                ")");
    laMsgs.SetCaption("An unexpected error was caught in a cycle; see the error window.");
  }
  ReportRepeatedErrors();
  iSlowestCycleUs =
      std::max<int64_t>(iSlowestCycleUs, std::chrono::duration_cast<std::chrono::microseconds>(
                                             std::chrono::steady_clock::now() - started)
                                             .count());
  if (env_.stop_after_cycles && liCycleCount > *env_.stop_after_cycles && !bQuitting) buQuitClick();
}

void TWM033f1::RunCycle() {
  bCycleReady = false;
  bInCycle = true;
  if (bQuitting) {
    platform_.ShowMessage("Died at point \"x\" of 16 Apr 12");
    platform_.Terminate(kExitOk);
  }
  SetReadingColours();
  laTOD.SetCaption(TimeOfDayText(DecodeDayCount(platform_.Now())));
  RunSlot(static_cast<int>(liCycleCount % kCycleSlots));
  ++liCycleCount;
  laCycle.SetCaption(std::to_string(liCycleCount));
  platform_.ProcessMessages();
  if (IsGraphStepDue()) ScrollGraph();
  if (IsPageDue()) {
    if (rsTtureLatest[0] != kNotRead) {
      if (bShowCelsius)
        AddRecentReadings("C", rsTtureLatest[0], rsTtureLatest[1]);
      else
        AddRecentReadings("F", ToFahrenheit(rsTtureLatest[0]), ToFahrenheit(rsTtureLatest[1]));
      WriteWebPage();
    }
  }
  if (IsReadingsDue()) WriteReadingsFile();
  if (IsImageDue()) {
    StampGraph();
    SaveGraphImage();
    SaveGraphPng();
  }
  ServiceMqtt();
  bInCycle = false;
  bCycleReady = true;
}

void TWM033f1::RunSlot(int slot) {
  for (SlotAction action : SlotActions(slot, bChipEnabled)) {
    switch (action) {
      case SlotAction::MachineComment:
        WriteMachineComment();
        break;
      case SlotAction::Tture0:
        LookAtTture(0);
        break;
      case SlotAction::Tture1:
        LookAtTture(1);
        break;
      case SlotAction::Tture2:
        LookAtTture(2);
        break;
      case SlotAction::Tture3:
        LookAtTture(3);
        break;
      case SlotAction::Tture4:
        LookAtTture(4);
        break;
      case SlotAction::Lightning:
        LookLightning();
        break;
      case SlotAction::OnOff1:
        LookOnOff(1);
        break;
      case SlotAction::OnOff2:
        LookOnOff(2);
        break;
      case SlotAction::Humidity:
        LookAtAndDealWithHum();
        break;
      case SlotAction::Pressure:
        LookAtAndDealWithBaro();
        break;
      case SlotAction::RainfallTrapped:
        sExceptionTag = "Err 15aug12aCase7";
        try {
          LookAtAndDealWithRainfallCount();
        } catch (const std::exception& e) {
          ShowTrap(e.what());
        } catch (...) {
          ShowTrap("");
        }
        break;
      case SlotAction::Rainfall:
        LookAtAndDealWithRainfallCount();
        break;
      case SlotAction::WindSpeed:
        LookAtWindSpeed();
        break;
      case SlotAction::WindDir:
        LookAtWindDir();
        break;
      // LogWindTallies runs CheckQuitRequest itself whenever it decided on a record.
      case SlotAction::WindTallies:
        LogWindTallies();
        break;
      case SlotAction::ExpireMessages:
        ExpireMessages();
        break;
    }
  }
}

void TWM033f1::WriteMachineComment() {
  if (liCycleCount % 2000 != 0 || !bDataLogOpen) return;
  WriteDataLogLine(MachineCommentRecord(MakeTimeStamp(), liCycleCount));
}

bool TWM033f1::IsGraphStepDue() {
  if (!(platform_.Now() > dtNextColumn)) return false;
  dtNextColumn += dtColumnPeriod;
  return true;
}

bool TWM033f1::IsPageDue() {
  const double now = platform_.Now();
  if (!(now > dtNextPage)) return false;
  dtNextPage = now + rsPageInterval;
  return true;
}

bool TWM033f1::IsImageDue() {
  if (iImageIntervalSecs == 0) return false;
  const double now = platform_.Now();
  if (!(now > dtNextImage)) return false;
  dtNextImage = now + rsImageInterval;
  return true;
}

void TWM033f1::CheckQuitRequest() {
  if (bQuitting) platform_.Terminate(kExitOk);
}

}  // namespace wm033
