#include "onewire/rom.h"

#include <cstdio>

#include "onewire/crc.h"

namespace wm033::onewire {

namespace {
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

std::optional<Rom> ParseChipId(const std::string& id) {
  if (id.size() != 16) return std::nullopt;
  Rom rom{};
  for (int pair = 0; pair < 8; ++pair) {
    const int hi = HexValue(id[2 * pair]);
    const int lo = HexValue(id[2 * pair + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    rom[7 - pair] = static_cast<uint8_t>(hi * 16 + lo);
  }
  return rom;
}

std::string FormatChipId(const Rom& rom) {
  std::string out;
  char buf[3];
  for (int i = 7; i >= 0; --i) {
    std::snprintf(buf, sizeof buf, "%02X", rom[i]);
    out += buf;
  }
  return out;
}

bool RomCrcOk(const Rom& rom) {
  return Crc8(rom.data(), 7) == rom[7];
}

std::string FamilyName(uint8_t family) {
  switch (family) {
    case kFamilyDS18S20:
      return "DS18S20 thermometer";
    case kFamilyDS18B20:
      return "DS18B20 thermometer";
    case kFamilyDS2438:
      return "DS2438 battery monitor";
    case kFamilyDS2423:
      return "DS2423 dual counter";
    case kFamilyDS2450:
      return "DS2450 quad A/D converter";
    default: {
      char buf[32];
      std::snprintf(buf, sizeof buf, "unknown family %02X", family);
      return buf;
    }
  }
}

}  // namespace wm033::onewire
