#include "webpage/page_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace wm033 {

namespace {

constexpr const char* kProgramName = "Beacon / WM033";
constexpr const char* kGraphAlt =
    "Graph of Weather Data. If not, prob can't find file, or you have graphics off.";

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return IsAsciiDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Length of the character reference at the start of `s` ("&amp;", "&#38;", "&#x26;"), or 0.
size_t ReferenceLength(std::string_view s) {
  size_t i = 1;
  if (i < s.size() && s[i] == '#') {
    ++i;
    const bool hex = i < s.size() && (s[i] == 'x' || s[i] == 'X');
    if (hex) ++i;
    const size_t digits = i;
    while (i < s.size() && (hex ? IsHexDigit(s[i]) : IsAsciiDigit(s[i]))) ++i;
    if (i == digits) return 0;
  } else {
    if (i >= s.size() || !IsAsciiLetter(s[i])) return 0;
    while (i < s.size() && (IsAsciiLetter(s[i]) || IsAsciiDigit(s[i]))) ++i;
  }
  return i < s.size() && s[i] == ';' ? i + 1 : 0;
}

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

std::string AttributeText(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (c == '"') {
      out += "&quot;";
    } else if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '&') {
      const size_t n = ReferenceLength(value.substr(i));
      if (n == 0) {
        out += "&amp;";
      } else {
        out.append(value.substr(i, n));
        i += n - 1;
      }
    } else {
      out += c;
    }
  }
  return out;
}

std::string GraphImageLine(const std::string& image_file) {
  return "<center><img src=\"" + AttributeText(image_file) + "\" alt=\"" + kGraphAlt +
         "\"></center>";
}

std::vector<std::string> ExtraImageLines(const ExtraImageSpec& image) {
  if (image.name == kNoImageName) return {};
  return {"<br><br><center>" + image.caption + "</center>",
          "<br><br><center><img src=\"" + AttributeText(image.name) + "\" width=\"" +
              AttributeText(image.width) + "%\" alt=\"" + AttributeText(image.alt) +
              "\"></center>"};
}

std::string JoinPageFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

}  // namespace wm033
