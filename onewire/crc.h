// The two 1-Wire check sums: the CRC8 of ROM codes and scratchpads (x^8 + x^5 + x^4 + 1) and the
// CRC16 of memory and counter transactions (x^16 + x^15 + x^2 + 1). Both shift data least
// significant bit first, as the chips do.
#pragma once

#include <cstddef>
#include <cstdint>

namespace wm033::onewire {

// CRC8 of `n` bytes, register starting at `crc`.
uint8_t Crc8(const uint8_t* data, size_t n, uint8_t crc = 0);
uint8_t Crc8Byte(uint8_t crc, uint8_t byte);

// CRC16 of `n` bytes, register starting at `crc`. The chips send the one's complement of the
// result, low byte first.
uint16_t Crc16(const uint8_t* data, size_t n, uint16_t crc = 0);
uint16_t Crc16Byte(uint16_t crc, uint8_t byte);

}  // namespace wm033::onewire
