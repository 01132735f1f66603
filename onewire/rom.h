// 1-Wire ROM codes: eight bytes, family code first and the CRC8 of the other seven last. The
// station's files write them as 16 hexadecimal digits, most significant byte (the CRC) first, so
// the family code is the last two digits.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace wm033::onewire {

using Rom = std::array<uint8_t, 8>;

constexpr uint8_t kFamilyDS18S20 = 0x10;
constexpr uint8_t kFamilyDS2450 = 0x20;
constexpr uint8_t kFamilyDS2423 = 0x1D;
constexpr uint8_t kFamilyDS2438 = 0x26;
constexpr uint8_t kFamilyDS18B20 = 0x28;

// "F30000001A2B3C28" -> 28 3C 2B 1A 00 00 00 F3; nullopt unless exactly 16 hexadecimal digits.
std::optional<Rom> ParseChipId(const std::string& id);
// The reverse, in upper case.
std::string FormatChipId(const Rom& rom);
// True when byte 7 is the CRC8 of bytes 0 to 6.
bool RomCrcOk(const Rom& rom);
// A short name of the chip family ("DS18B20 thermometer"), or "unknown family 3A".
std::string FamilyName(uint8_t family);

}  // namespace wm033::onewire
