// Routines of the datalog subsystem that have not been written yet. Each line goes when its routine
// is written in datalog/.
#include "app/wm033f1.h"

namespace wm033 {

void TWM033f1::OpenDataLog() {}
bool TWM033f1::WriteDataLogLine(const std::string&) { return false; }
void TWM033f1::CloseDataLog() { fDataLog.Close(); }
void TWM033f1::buInsCmntClick() {}
void TWM033f1::ReloadHistory() {}
void TWM033f1::DecodeHistoryRecord(const std::string&) {}

}  // namespace wm033
