#include "onewire/temperature_math.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "onewire/crc.h"
#include "onewire/rom.h"

namespace wm033::onewire {

bool ScratchpadCrcOk(const uint8_t bytes[9]) {
  return Crc8(bytes, 8) == bytes[8];
}

float ConvertRaw(uint8_t family, uint8_t low, uint8_t high, uint16_t& code, int16_t& raw) {
  code = 0;
  raw = 0;
  int divisor;
  switch (family) {
    case kFamilyDS18S20:
      divisor = 2;
      break;
    case kFamilyDS18B20:
      divisor = 16;
      break;
    case kFamilyDS2438:
      divisor = 256;
      break;
    default:
      code = 1910;
      return 0.0f;
  }
  raw = static_cast<int16_t>(static_cast<uint16_t>(high << 8 | low));
  return static_cast<float>(raw / divisor);  // integer division truncates toward zero
}

std::string FamilyChars(const std::string& chip_id) {
  return chip_id.size() >= 16 ? chip_id.substr(14, 2) : std::string();
}

std::string FloatText(double v) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v > 0 ? "INF" : "-INF";
  char buf[64];
  const float f = static_cast<float>(v);
  for (int decimals = 0; decimals <= 9; ++decimals) {
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    if (std::strtof(buf, nullptr) == f) break;
  }
  return buf;
}

}  // namespace wm033::onewire
