// The timed cycle: one tick of Timer1 runs one cycle, whose number modulo 63 picks the device
// work; the graph, page and image steps follow when their times have come.
#include <exception>

#include "app/wm033f1.h"
#include "datalog/timestamp.h"

namespace wm033 {

namespace {
constexpr const char* kCreditText =
    "WM033 weather monitor: watching the MicroLan. Readings are logged to the data log; errors, "
    "if any, are listed in the error window.";
constexpr int kSlots = 63;
}  // namespace

void TWM033f1::Timer1Timer() {
  if (!bCycleReady) return;
  if (laMsgs.Caption().compare(0, 11, "One moment ") == 0) laMsgs.SetCaption(kCreditText);
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
  RunSlot(static_cast<int>(liCycleCount % kSlots));
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
  if (IsImageDue()) {
    StampGraph();
    SaveGraphImage();
  }
  bInCycle = false;
  bCycleReady = true;
}

void TWM033f1::RunSlot(int slot) {
  const auto on = [this](int channel) { return bChipEnabled[static_cast<size_t>(channel)]; };
  switch (slot) {
    case 0:
    case 61:
      WriteMachineComment();
      break;
    case 2:
    case 34:
      if (on(0)) LookAtTture(0);
      break;
    case 14:
      if (on(1)) LookAtTture(1);
      break;
    case 24:
      if (on(2)) LookAtTture(2);
      break;
    case 44:
      if (on(3)) LookAtTture(3);
      break;
    case 54:
      if (on(4)) LookAtTture(4);
      break;
    case 3:
      if (on(7)) LookLightning();
      if (on(11)) LookOnOff(1);
      if (on(12)) LookOnOff(2);
      break;
    case 32:
      if (on(7)) LookLightning();
      break;
    case 4:
    case 31:
      if (on(9)) LookAtAndDealWithHum();
      break;
    case 11:
    case 21:
    case 41:
    case 51:
      if (on(8)) LookAtAndDealWithBaro();
      break;
    case 7:
      if (on(5)) {
        sExceptionTag = "Err 15aug12aCase7";
        try {
          LookAtAndDealWithRainfallCount();
        } catch (const std::exception& e) {
          ShowTrap(e.what());
        } catch (...) {
          ShowTrap("unknown error");
        }
      }
      break;
    case 17:
    case 27:
    case 37:
    case 47:
    case 57:
      if (on(5)) LookAtAndDealWithRainfallCount();
      break;
    case 10:
    case 20:
    case 30:
    case 40:
    case 62:
      if (on(6)) LookAtWindSpeed();
      break;
    case 5: case 6: case 8: case 12: case 15: case 16: case 18: case 22: case 25: case 26:
    case 28: case 35: case 36: case 38: case 42: case 45: case 46: case 48: case 52: case 55:
    case 56: case 58:
      if (on(10)) LookAtWindDir();
      break;
    case 9:
    case 19:
    case 29:
    case 39:
    case 49:
    case 59:
      // LogWindTallies runs CheckQuitRequest itself whenever it decided on a record.
      if (on(10)) LogWindTallies();
      break;
    case 60:
      ExpireMessages();
      break;
    default:
      break;  // slots 1, 13, 23, 33, 43, 50 and 53 are empty
  }
}

void TWM033f1::WriteMachineComment() {
  if (liCycleCount % 2000 != 0 || !bDataLogOpen) return;
  WriteDataLogLine("cm" + MakeTimeStamp() + "(machine generated) Cycles since start:" +
                   std::to_string(liCycleCount));
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
