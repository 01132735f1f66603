#include "datalog/history_decode.h"

#include "datalog/timestamp.h"

namespace wm033 {
namespace {

bool Digit(char c) {
  return c >= '0' && c <= '9';
}
int Two(std::string_view s, size_t i) {
  return (s[i] - '0') * 10 + (s[i + 1] - '0');
}
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool QZDTtoVars(std::string_view s, StampParts& out) {
  if (s.size() != 10) return false;
  if (!Digit(s[0]) || !Digit(s[1]) || !Digit(s[3]) || !Digit(s[4]) || !Digit(s[6]) || !Digit(s[7]))
    return false;
  const int year = 2000 + Two(s, 0);
  const int month = s[2] - 96;  // "a" is January
  const int day = Two(s, 3);
  const int hour = s[5] - 97;  // "a" is midnight
  const int minute = Two(s, 6);
  if (!IsValidDateTime(year, month, day, hour, minute)) return false;
  out.year = static_cast<int16_t>(year);
  out.month = static_cast<int16_t>(month);
  out.day = static_cast<int16_t>(day);
  out.hour = static_cast<int16_t>(hour);
  out.minute = static_cast<int16_t>(minute);
  return true;
}

bool StampToDateTime(std::string_view s, double& day_count) {
  StampParts p;
  if (!QZDTtoVars(s, p)) return false;
  day_count = EncodeDayCount(p.year, p.month, p.day, p.hour, p.minute, 0, 0);
  return true;
}

bool ReadCounterField(std::string_view field, uint32_t& value) {
  if (field.size() < 9 || field.size() > 10) return false;
  for (char c : field)
    if (!Digit(c)) return false;
  uint32_t v = 0;
  for (size_t i = 0; i < 9; ++i) v = v * 10 + static_cast<uint32_t>(field[i] - '0');
  value = v;
  return true;
}

bool ReadAnalogueField(std::string_view field, int32_t& value) {
  if (field.size() != 4) return false;
  int32_t v = 0;
  for (char c : field) {
    if (!Digit(c)) return false;
    v = v * 10 + (c - '0');
  }
  value = v;
  return true;
}

bool ReadTemperatureField(std::string_view field, double& celsius) {
  if (field.size() != 5 || (field[0] != '+' && field[0] != '-')) return false;
  int whole;
  const char h = field[1];
  if (Digit(h))
    whole = (h - '0') * 10;
  else if (h >= 'A' && h <= 'O')
    whole = (h - 'A' + 10) * 10;
  else
    return false;
  if (!Digit(field[2]) || !Digit(field[3]) || !Digit(field[4])) return false;
  whole += field[2] - '0';
  const double v = whole + Two(field, 3) / 100.0;
  celsius = field[0] == '-' ? -v : v;
  return true;
}

bool ReadTalliesField(std::string_view field, std::array<uint16_t, 17>& tallies) {
  if (field.size() != 34) return false;
  std::array<uint16_t, 17> t{};
  for (size_t i = 0; i < 17; ++i) {
    const int hi = HexValue(field[2 * i]), lo = HexValue(field[2 * i + 1]);
    if (hi < 0 || lo < 0) return false;
    t[i] = static_cast<uint16_t>(hi * 16 + lo);
  }
  tallies = t;
  return true;
}

}  // namespace wm033
