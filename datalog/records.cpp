#include "datalog/records.h"

#include <charconv>
#include <cmath>
#include <string>

namespace wm033 {
namespace {

// Left-pads with zeros to `width` characters.
std::string ZeroPad(std::string digits, size_t width) {
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// Fixed-point text with `decimals` decimals, independent of the locale.
std::string Fixed(double value, int decimals) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
  return std::string(buf, r.ptr);
}

std::string Hex2(unsigned v) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), kDigits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  return ZeroPad(s, 2);
}

}  // namespace

std::string DataLogHeaderLine1() {
  return "cm Data Log File for WM033";
}

std::string DataLogHeaderLine2(const std::string& stamp) {
  return "cm created:(following is date/time, encoded) " + stamp;
}

std::string CounterRecord(const std::string& prefix, const std::string& stamp, uint64_t count) {
  return prefix + stamp + ZeroPad(std::to_string(count), 9);
}

int32_t AnalogueCode(float reading) {
  // Multiplied in extended precision, as the reading was always scaled: 0.29 gives 28.
  const long double scaled = static_cast<long double>(reading) * 100.0L;
  if (!(scaled > 0)) return 0;
  if (scaled >= 999.0L) return 999;
  return static_cast<int32_t>(scaled);
}

std::string AnalogueRecord(const std::string& prefix, const std::string& stamp, float reading) {
  return prefix + stamp + ZeroPad(std::to_string(AnalogueCode(reading)), 4);
}

std::string TemperatureField(float celsius) {
  double v = celsius;
  if (std::isnan(v)) v = 0;
  // Two digits hold 0..99 degrees; from 100 the tens go into one letter (A = 10 .. O = 24), so
  // 123.45 is +C345. The largest field is 249.99: readings of 250 or more are placeholders.
  constexpr double kLargest = 249.99;
  if (v > kLargest) v = kLargest;
  if (v < -kLargest) v = -kLargest;
  std::string text = Fixed(v, 2);
  if (text == "-0.00") text = "0.00";  // a reading that rounds to zero has no sign
  if (text[0] != '-') text.insert(0, "+");
  while (text.size() < 6) text.insert(1, "0");
  if (text.size() == 7) {  // sign, three integer digits, point, two decimals
    const int tens = (text[1] - '0') * 10 + (text[2] - '0');
    return text.substr(0, 1) + static_cast<char>('A' + tens - 10) + text.substr(3, 1) +
           text.substr(5, 2);
  }
  return text.substr(0, 3) + text.substr(4, 2);
}

std::string TemperatureRecord(int channel, const std::string& stamp, float celsius) {
  return "t" + std::to_string(channel) + stamp + TemperatureField(celsius);
}

std::string WindTalliesRecord(const std::string& stamp, const std::array<uint16_t, 17>& tallies) {
  std::string line = "wd" + stamp;
  for (uint16_t t : tallies) line += Hex2(t);
  return line;
}

std::string StartRecord(const std::string& stamp, const std::string& version) {
  return "ss" + stamp + " ~ ~ ~ System started, WM033 version: " + version;
}

std::string WindOptionsRecord(const std::string& stamp, int offset, int table) {
  return "wo" + stamp + " ~ ~ ~ Wind Dir Offset:" + std::to_string(offset) +
         ". Using lookup table:" + static_cast<char>('a' + table) + ".";
}

std::string CleanHandComment(const std::string& text) {
  std::string out = text;
  if (out.size() >= 2 && (out[0] == 'c' || out[0] == 'C') && (out[1] == 'm' || out[1] == 'M'))
    out.erase(0, 2);
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) c = ' ';
  }
  return out;
}

std::string HandCommentRecord(const std::string& stamp, const std::string& text) {
  return "cm" + stamp + " By hand: " + text;
}

std::string MachineCommentRecord(const std::string& stamp, int64_t cycles) {
  return "cm" + stamp + "(machine generated) Cycles since start:" + std::to_string(cycles);
}

}  // namespace wm033
