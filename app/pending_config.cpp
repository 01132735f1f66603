// Routines of the config subsystem that have not been written yet. Each line goes when its routine
// is written in config/.
#include "app/wm033f1.h"

namespace wm033 {

bool TWM033f1::ReadSensorConfig() { return true; }
void TWM033f1::StartSensorHardware() { ReadSensorConfig(); }
void TWM033f1::SetDefaultSettings() {}
bool TWM033f1::ReadSettingsFile() { return true; }
float TWM033f1::siSecToDT(int32_t seconds) { return seconds < 5 ? 0.0f : seconds / 86400.0f; }
uint32_t TWM033f1::ParseColourSpec(int, const std::string&) { return 16777216; }
bool TWM033f1::ParseWindowGeometry(int, int, const std::string&) { return true; }
void TWM033f1::ApplySchemeA() {}
void TWM033f1::SchemeA1Click() {}
void TWM033f1::SchemeB1Click() {}
void TWM033f1::buHelpClick() {}
void TWM033f1::buCopyrightClick() {}
void TWM033f1::Overview1Click() {}
void TWM033f1::Legacy1Click() {}
void TWM033f1::Modern1Click() {}

}  // namespace wm033
