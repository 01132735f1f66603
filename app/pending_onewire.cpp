// Routines of the onewire subsystem that have not been written yet. Each line goes when its routine
// is written in onewire/.
#include "app/wm033f1.h"

namespace wm033 {

void TWM033f1::DMLGetCount(uint8_t, uint8_t, uint32_t& count, uint16_t& code, int32_t&) { count = 0; code = 0; }
void TWM033f1::DML2450Init(uint8_t, uint16_t& code, int32_t&) { code = 0; }
void TWM033f1::DMLGet2540ADC(uint8_t, uint16_t& a, uint16_t& b, uint16_t& c, uint16_t& d, uint16_t& code, int32_t&) { a = b = c = d = 999; code = 0; }
void TWM033f1::BNW25Apr12FirstTturesEtc(uint8_t, uint8_t, uint16_t& code, uint8_t&, uint8_t&, uint8_t&, uint8_t&, uint16_t&, int16_t&) { code = 0; }
void TWM033f1::TakeABNWTture(uint8_t, uint16_t& code, float& t) { code = 0; t = 0; }
void TWM033f1::Read2438(uint8_t, float& v, float& t, uint16_t& code, int16_t&) { v = t = 0; code = 0; }
float TWM033f1::ConvertRawTture(uint8_t, uint8_t, uint8_t, uint16_t& code) { code = 0; return 0; }
float TWM033f1::ReadTtureChannel(uint8_t) { return 255; }
void TWM033f1::WaitMs(uint16_t) {}
void TWM033f1::Button1Click() {}
void TWM033f1::Button2Click() {}

}  // namespace wm033
