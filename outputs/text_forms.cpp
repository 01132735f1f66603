#include "outputs/text_forms.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "datalog/timestamp.h"

namespace wm033::outputs {

namespace {

// Length of the UTF-8 sequence at s[i], or 0 when it is not a valid one.
size_t Utf8Length(std::string_view s, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  if (c < 0x80) return 1;
  size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = cp << 6 | (b(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  if ((n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
      (cp >= 0xD800 && cp <= 0xDFFF))
    return 0;
  return n;
}

bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = Utf8Length(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

}  // namespace

std::string Utf8Text(std::string_view bytes) {
  if (IsUtf8(bytes)) return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string JsonString(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char ch : Utf8Text(bytes)) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 0xF];
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

std::string JsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  const double rounded = std::round(v * 1e6) / 1e6;
  if (std::isfinite(rounded)) v = rounded;
  if (v == 0) v = 0;  // no "-0"
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string HtmlText(std::string_view bytes) {
  std::string out;
  for (char ch : Utf8Text(bytes)) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if (c < 0x20 && ch != '\t')
          out += ' ';  // control characters have no place in a page
        else
          out += ch;
    }
  }
  return out;
}

std::string IsoTime(double day_count) {
  const DateTimeParts p = DecodeDayCount(day_count);
  std::tm tm{};
  tm.tm_year = p.year - 1900;
  tm.tm_mon = p.month - 1;
  tm.tm_mday = p.day;
  tm.tm_hour = p.hour;
  tm.tm_min = p.minute;
  tm.tm_sec = p.second;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  long offset = 0;
  std::tm local{};
  if (t != static_cast<std::time_t>(-1) && localtime_r(&t, &local)) {
    tm = local;  // a time that the clock skipped (summer time) comes out as the real one
    offset = local.tm_gmtoff;
  }
  const char sign = offset < 0 ? '-' : '+';
  const long off = std::labs(offset) / 60;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, sign, off / 60,
                off % 60);
  return buf;
}

std::string DurationText(double seconds) {
  if (!(seconds > 0)) seconds = 0;
  const long long s = std::llround(seconds);
  char buf[64];
  if (s < 60)
    std::snprintf(buf, sizeof buf, "%lld s", s);
  else if (s < 3600)
    std::snprintf(buf, sizeof buf, "%lld min %02lld s", s / 60, s % 60);
  else if (s < 86400)
    std::snprintf(buf, sizeof buf, "%lld h %02lld min", s / 3600, s / 60 % 60);
  else
    std::snprintf(buf, sizeof buf, "%lld d %lld h", s / 86400, s / 3600 % 24);
  return buf;
}

}  // namespace wm033::outputs
