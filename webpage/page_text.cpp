#include "webpage/page_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace wm033 {

namespace {

constexpr const char* kProgramName = "Beacon / WM033";

std::string PadLeft(std::string s, size_t width, char fill) {
  if (s.size() < width) s.insert(0, width - s.size(), fill);
  return s;
}

std::string ToChars(double v, std::chars_format fmt, int precision) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, fmt, precision);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string FormatPageTemperature(float value) {
  if (value == kNotRead) return "----";
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  const double v = value;
  // Four significant digits decide how many integer digits there are after rounding.
  const std::string sci = ToChars(v, std::chars_format::scientific, 3);  // "-d.ddde+XX"
  const auto e_at = sci.find('e');
  const int exponent = std::atoi(sci.c_str() + e_at + 1);
  std::string out;
  if (exponent >= 4) {
    const std::string exp_digits = PadLeft(std::to_string(exponent), 3, '0');
    out = sci.substr(0, e_at) + "E+" + exp_digits;
  } else if (exponent == 3) {
    std::string digits = sci.substr(0, e_at);
    digits.erase(digits.find('.'), 1);
    out = digits + ".0";
  } else {
    out = ToChars(v, std::chars_format::fixed, 1);
  }
  if (out == "-0.0") out = "0.0";
  return out;
}

std::string PageTableLine(const RecentReading& r) {
  const int64_t count = r.onoff1;
  std::string count_text = PadLeft(std::to_string(count < 0 ? -count : count), 6, '0');
  if (count < 0) count_text.insert(0, "-");
  return PadLeft(FormatPageTemperature(r.t0), 6, ' ') + " " + r.unit + "  " +
         PadLeft(FormatPageTemperature(r.t1), 6, ' ') + " " + r.unit + "  --at--  " + r.time +
         "   " + count_text;
}

std::string PageTitle(const std::string& prefix) {
  return (prefix.empty() ? std::string() : prefix + " ") + kProgramName + ", version " + kVersion;
}

std::vector<std::string> ExtraImageLines(const ExtraImageSpec& image) {
  if (image.name == kNoImageName) return {};
  return {"<br><br><center>" + image.caption + "</center>",
          "<br><br><center><img src=\"" + image.name + "\" width=\"" + image.width + "%\" alt=\"" +
              image.alt + "\"></center>"};
}

std::string JoinPageFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

}  // namespace wm033
