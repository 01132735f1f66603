#include "sensors/wind_vane.h"

namespace wm033 {
namespace {

// Patterns for raw directions 0..15 of tables a, b, c and d.
constexpr const char* kTables[4][16] = {
    {"2000", "2200", "0200", "0220", "0020", "0022", "0002", "1002", "1000", "1100", "0100", "0110",
     "0010", "0011", "0001", "2001"},
    {"2000", "2002", "0002", "0022", "0020", "0220", "0200", "1200", "1000", "1001", "0001", "0011",
     "0010", "0110", "0100", "2100"},
    {"2221", "2222", "1222", "1221", "1211", "1212", "1112", "1111", "1121", "1122", "2122", "2121",
     "2111", "2112", "2212", "2211"},
    {"2220", "2222", "0222", "0220", "0200", "0202", "0002", "0000", "0020", "0022", "2022", "2020",
     "2000", "2002", "2202", "2200"},
};

char Level(uint16_t v, int32_t low, int32_t high) {
  if (v < low) return '0';
  if (v < high) return '1';
  return '2';
}

}  // namespace

std::string WindPattern(uint16_t a, uint16_t b, uint16_t c, uint16_t d, int32_t low, int32_t high) {
  return {Level(a, low, high), Level(b, low, high), Level(c, low, high), Level(d, low, high)};
}

int RawWindDirection(const std::string& pattern, int table) {
  if (table < 0 || table > 3) return kUnreadableDirection;
  for (int i = 0; i < 16; ++i)
    if (pattern == kTables[table][i]) return i;
  return kUnreadableDirection;
}

const char* WindPatternFor(int raw, int table) {
  if (table < 0 || table > 3 || raw < 0 || raw > 15) return nullptr;
  return kTables[table][raw];
}

int DisplayedWindDirection(int raw, int offset) {
  if (raw < 0 || raw > 15) return kUnreadableDirection;
  return (raw + offset) % 16;
}

}  // namespace wm033
