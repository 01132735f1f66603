// Routines of the sensors subsystem that have not been written yet. Each line goes when its routine
// is written in sensors/.
#include "app/wm033f1.h"

namespace wm033 {

void TWM033f1::LookAtWindSpeed() {}
void TWM033f1::LookAtAndDealWithRainfallCount() {}
void TWM033f1::LookLightning() {}
void TWM033f1::LookAtWindDir() {}
void TWM033f1::LogWindTallies() {}
void TWM033f1::LookAtAndDealWithBaro() {}
void TWM033f1::LookAtAndDealWithHum() {}
void TWM033f1::LookOnOff(int) {}
void TWM033f1::LookAtTture(int) {}

}  // namespace wm033
