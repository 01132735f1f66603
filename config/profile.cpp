// Profile (ini) file reading; the rules are at the top of profile.h.
#include "config/profile.h"

#include <charconv>
#include <cmath>

#include "config/text_lines.h"

namespace wm033::config {

namespace {

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1A';
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

// A name or value ends at a NUL byte.
std::string_view UpToNul(std::string_view s) {
  return s.substr(0, s.find('\0'));
}

std::string_view Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

// Drops one leading "+"; false when what is left cannot start a number ("", "+-1", "++1").
bool StripPlus(std::string_view& text) {
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) return false;
  }
  return !text.empty();
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// UTF-16 text (after its byte order mark) as UTF-8; a lone surrogate becomes U+FFFD and an odd
// last byte is dropped.
std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
  std::string out;
  out.reserve(bytes.size());
  auto unit = [&](size_t i) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    return big_endian ? static_cast<uint32_t>(a << 8 | b) : static_cast<uint32_t>(b << 8 | a);
  };
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    uint32_t cp = unit(i);
    if (cp >= 0xD800 && cp < 0xDC00 && i + 3 < bytes.size()) {
      const uint32_t low = unit(i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
    AppendUtf8(out, cp);
  }
  return out;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

Profile Profile::FromText(std::string_view text) {
  std::string decoded;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    text.remove_prefix(3);
  } else if (text.substr(0, 2) == "\xFF\xFE" || text.substr(0, 2) == "\xFE\xFF") {
    decoded = Utf16ToUtf8(text.substr(2), text[0] == '\xFE');
    text = decoded;
  }
  Profile p;
  p.sections_.push_back({});
  for (const std::string& raw : SplitTextLines(text)) {
    const std::string_view line = TrimBlanks(raw);
    if (line.empty()) continue;
    if (line.front() == '[') {
      const size_t close = line.rfind(']');
      if (close != std::string_view::npos && close > 0) {
        p.sections_.push_back({Lower(UpToNul(TrimBlanks(line.substr(1, close - 1)))), {}});
        continue;
      }
      // No "]": an ordinary line of the current section.
    }
    Key key;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      key.name = Lower(UpToNul(line));
    } else {
      key.name = Lower(UpToNul(TrimBlanks(line.substr(0, eq))));
      key.value = std::string(UpToNul(TrimBlanks(line.substr(eq + 1))));
    }
    p.sections_.back().keys.push_back(std::move(key));
  }
  return p;
}

std::optional<std::string> Profile::Find(std::string_view section, std::string_view key) const {
  const std::string s = Lower(TrimBlanks(section));
  const std::string k = Lower(TrimBlanks(key));
  // The unnamed first section holds the lines before any header; it is never looked up.
  for (size_t i = 1; i < sections_.size(); ++i) {
    if (sections_[i].name != s) continue;
    // Only the first section of that name is searched.
    for (const Key& entry : sections_[i].keys) {
      if (entry.name != k) continue;
      if (!entry.value) return std::nullopt;
      return std::string(Unquote(*entry.value));
    }
    return std::nullopt;
  }
  return std::nullopt;
}

std::string Profile::ReadString(std::string_view section, std::string_view key,
                                const std::string& default_value) const {
  return Find(section, key).value_or(default_value);
}

int32_t Profile::ReadInteger(std::string_view section, std::string_view key,
                             int32_t default_value) const {
  const auto v = Find(section, key);
  int32_t n = 0;
  if (!v || !ParseWholeNumber(*v, n)) return default_value;
  return n;
}

bool ParseWholeNumber(std::string_view text, int32_t& value) {
  if (!StripPlus(text)) return false;
  int32_t n = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, n, 10);
  if (ec != std::errc() || ptr != end) return false;
  value = n;
  return true;
}

bool ParseRealNumber(std::string_view text, double& value) {
  if (!StripPlus(text)) return false;
  // from_chars takes "inf" and "nan"; the profile's numbers are finite decimals only.
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E')) return false;
  double d = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, d, std::chars_format::general);
  if (ec != std::errc() || ptr != end || !std::isfinite(d)) return false;
  value = d;
  return true;
}

}  // namespace wm033::config
