// Any bytes as a profile file: parsing and look-ups must not crash, names are found whatever
// their case, and a value never holds a line end or a NUL.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/profile.h"

namespace {
std::string Flipped(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace wm033::config;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const wm033::config::Profile p = Profile::FromText(text);
  // Names taken from the input itself, so that the fuzzer can make them match: the key of the
  // first line with "=", and the section of the first "[" line (to its line's last "]").
  const size_t eq = text.find('=');
  const size_t key_line = eq == std::string_view::npos ? 0 : text.find_last_of("\r\n", eq);
  const size_t key_from =
      (eq == std::string_view::npos || key_line == std::string_view::npos) ? 0 : key_line + 1;
  const std::string_view key =
      TrimBlanks(text.substr(key_from, eq == std::string_view::npos ? 0 : eq - key_from));
  const size_t open = text.find('[');
  std::string_view section("s");
  if (open != std::string_view::npos) {
    const size_t line_end = std::min(text.size(), text.find_first_of("\r\n", open));
    const size_t close = text.substr(0, line_end).rfind(']');
    if (close != std::string_view::npos && close > open)
      section = TrimBlanks(text.substr(open + 1, close - open - 1));
  }
  const auto value = p.Find(section, key);
  if (value != p.Find(Flipped(section), Flipped(key))) std::abort();
  // A value is one line's text up to any NUL.
  if (value && value->find_first_of(std::string_view("\0\r\n", 3)) != std::string::npos)
    std::abort();
  (void)p.ReadInteger(section, key, 7);
  (void)p.ReadString("sbc", "bcp", "C:\\");
  int32_t n = 0;
  double d = 0;
  (void)ParseWholeNumber(text, n);
  (void)ParseRealNumber(text, d);
  return 0;
}
