// Profile (ini) file reading; the rules are at the top of profile.h.
#include "config/profile.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "config/text_lines.h"

namespace wm033::config {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1A';
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
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

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

Profile Profile::FromText(std::string_view text) {
  Profile p;
  bool in_section = false;
  std::string section;
  for (const std::string& raw : SplitTextLines(text)) {
    const std::string_view line = TrimBlanks(raw);
    if (!line.empty() && line.front() == '[') {
      const size_t close = line.find(']', 1);
      const std::string_view name =
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      section = Lower(TrimBlanks(name));
      in_section = true;
      continue;
    }
    if (!in_section) continue;
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string key = Lower(TrimBlanks(line.substr(0, eq)));
    const std::string_view value = Unquote(TrimBlanks(line.substr(eq + 1)));
    // emplace keeps the first value of a key.
    p.values_.emplace(std::make_pair(section, key), std::string(value));
  }
  return p;
}

std::optional<std::string> Profile::Find(std::string_view section, std::string_view key) const {
  const auto it = values_.find({Lower(section), Lower(key)});
  if (it == values_.end()) return std::nullopt;
  return it->second;
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
