// Routines of the datalog subsystem that have not been written yet. Each line goes when its routine
// is written in datalog/.
#include "app/wm033f1.h"

namespace wm033 {

void TWM033f1::ReloadHistory() {}
void TWM033f1::DecodeHistoryRecord(std::string_view) {}

}  // namespace wm033
