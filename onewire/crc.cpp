#include "onewire/crc.h"

namespace wm033::onewire {

uint8_t Crc8Byte(uint8_t crc, uint8_t byte) {
  for (int i = 0; i < 8; ++i) {
    const bool mix = ((crc ^ byte) & 1) != 0;
    crc >>= 1;
    if (mix) crc ^= 0x8C;  // x^8 + x^5 + x^4 + 1, reflected
    byte >>= 1;
  }
  return crc;
}

uint8_t Crc8(const uint8_t* data, size_t n, uint8_t crc) {
  for (size_t i = 0; i < n; ++i) crc = Crc8Byte(crc, data[i]);
  return crc;
}

uint16_t Crc16Byte(uint16_t crc, uint8_t byte) {
  for (int i = 0; i < 8; ++i) {
    const bool mix = ((crc ^ byte) & 1) != 0;
    crc >>= 1;
    if (mix) crc ^= 0xA001;  // x^16 + x^15 + x^2 + 1, reflected
    byte >>= 1;
  }
  return crc;
}

uint16_t Crc16(const uint8_t* data, size_t n, uint16_t crc) {
  for (size_t i = 0; i < n; ++i) crc = Crc16Byte(crc, data[i]);
  return crc;
}

}  // namespace wm033::onewire
