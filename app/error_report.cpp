// Numbered, time-stamped error lines: newest first in the error window (511 lines at most) and
// appended, line by line and synced, to the error log. An error that repeats within the hour is
// counted and summarised instead of written again (app/error_repeats.h).
#include "app/wm033f1.h"

namespace wm033 {

namespace {
constexpr int kMaxWindowLines = 511;
constexpr const char* kYoungHint =
    "Various errors can also arise if adapter type or port spec wrong in WM033ini.txt (lines h "
    "and i). or if an enabled device (WM033ini.txt) is not present. This general message will "
    "be suppressed after program has been running for a while.";
}  // namespace

// One line into the error window (newest on top, 511 at most), to stderr when headless, and to the
// error log.
void TWM033f1::PutErrorLine(const std::string& line) {
  Memo& list = WM033ErrDisp.Memo1;
  if (list.Count() > kMaxWindowLines - 1) list.Delete(kMaxWindowLines - 1);
  list.Insert(0, line);
  platform_.EchoErrorLine(line);
  if (!bErrorLogOn) {
    if (bErrorLogPending) vsEarlyErrorLines.push_back(line);
    return;
  }
  // During the history reload the lines of damaged records are synced together at its end.
  if (fErrorLog.WriteLine(line, !bReloadInProgress)) {
    bErrorLogWriteFailed = false;
    return;
  }
  // The line stays in the window; one notice per run of failures, and the next line tries again.
  if (!bErrorLogWriteFailed) {
    bErrorLogWriteFailed = true;
    const std::string notice = "(Writing to the error log failed: " + fErrorLog.Error() +
                               ". Lines are shown here and the log is tried again with each one.)";
    if (list.Count() > kMaxWindowLines - 1) list.Delete(kMaxWindowLines - 1);
    list.Insert(0, notice);
    platform_.EchoErrorLine(notice);
  }
}

void TWM033f1::ReportError(const std::string& message) {
  ++wErrorCount;
  const double now = platform_.Now();
  ReportRepeatedErrors();  // the summaries due come before the new line
  const std::string stamp = MakeTimeStamp();
  // The young program's hint goes with every device error it explains, and stops by itself.
  if (message != kYoungHint && !errRepeats.Admit(message, wErrorCount, stamp, now)) return;
  PutErrorLine(std::to_string(wErrorCount) + ": " + message + " " + stamp);
}

void TWM033f1::ReportRepeatedErrors(bool flush) {
  for (const std::string& line : errRepeats.Due(platform_.Now(), flush)) PutErrorLine(line);
}

void TWM033f1::ReportDallasError(const std::string& message, uint16_t code, int32_t tmex_result) {
  const std::string text =
      message + std::to_string(code) + " and Dallas error " + std::to_string(tmex_result);
  if (liCycleCount < 32) ReportError(kYoungHint);
  ReportError(text);
}

void TWM033f1::EstablishErrorLog() {
  if (bErrorLogOn) OpenErrorLog();
  bErrorLogPending = false;
  vsEarlyErrorLines.clear();
}

void TWM033f1::OpenErrorLog() {
  std::string why;
  const auto path = MapPath(env_, sErrorLogName, &why);
  bool ok = path.has_value();
  if (ok && !FileExists(*path)) {
    DurableFile created;
    ok = created.OpenAppend(*path, true) &&
         created.WriteLine("WM033 Error log. Created by the program " + MakeTimeStamp());
    why = created.Error();
  }
  if (ok) {
    ok = fErrorLog.OpenAppend(*path, false);
    why = fErrorLog.Error();
  }
  if (ok) {
    for (const std::string& line : vsEarlyErrorLines) ok = fErrorLog.WriteLine(line, false) && ok;
    if (!vsEarlyErrorLines.empty()) ok = fErrorLog.Sync() && ok;
    if (!ok) {
      // The log is there but would not take these lines: the later lines try again.
      bErrorLogWriteFailed = true;
      platform_.EchoErrorLine("(Writing to the error log failed: " + fErrorLog.Error() +
                              ". The lines of the hardware start are shown here only.)");
    }
  } else {
    if (!why.empty()) platform_.EchoErrorLine(sErrorLogName + ": " + why);
    platform_.ShowMessage("Unable to establish file to log errors.");
    bErrorLogOn = false;
  }
}

void TWM033f1::CloseErrorLog() {
  ReportRepeatedErrors(/*flush=*/true);
  fErrorLog.Close();
}

void TWM033f1::ShowTrap(const std::string& what) {
  platform_.ShowMessage(sExceptionTag + (what.empty() ? "" : " (" + what + ")"));
}

}  // namespace wm033
