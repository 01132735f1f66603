#include "onewire/sim/station_state.h"

#include <cctype>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace wm033::onewire::sim {

namespace {
constexpr const char* kHeading = "WM033 simulated counter chips: chip, input, clock minute, count";
constexpr std::streamsize kMaxFileBytes = 64 * 1024;

bool IsHex16(const std::string& s) {
  if (s.size() != 16) return false;
  for (char c : s)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}
}  // namespace

std::string RomKey(const Rom& rom) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (uint8_t b : rom) {
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

std::string FormatCounterStates(const CounterStates& states) {
  std::string out = std::string(kHeading) + "\r\n";
  for (const auto& [key, s] : states) {
    char line[96];
    std::snprintf(line, sizeof line, "%s %c %" PRId64 " %" PRIu32 "\r\n", key.first.c_str(),
                  key.second, s.minute, s.count);
    out += line;
  }
  return out;
}

CounterStates ParseCounterStates(const std::string& text) {
  CounterStates out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string rom, input, minute, count, extra;
    if (!(fields >> rom >> input >> minute >> count) || (fields >> extra)) continue;
    if (!IsHex16(rom) || (input != "A" && input != "B")) continue;
    CounterState s;
    char* end = nullptr;
    errno = 0;
    s.minute = std::strtoll(minute.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || minute.empty()) continue;
    const unsigned long long c = std::strtoull(count.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || count.empty() || count[0] == '-' || c > 0xFFFFFFFFull)
      continue;
    s.count = static_cast<uint32_t>(c);
    for (char& ch : rom) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    out[{rom, input[0]}] = s;
  }
  return out;
}

CounterStates LoadCounterStates(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::string text(static_cast<size_t>(kMaxFileBytes) + 1, '\0');
  in.read(text.data(), kMaxFileBytes + 1);
  if (in.gcount() > kMaxFileBytes) return {};
  text.resize(static_cast<size_t>(in.gcount()));
  return ParseCounterStates(text);
}

bool SaveCounterStates(const std::string& path, const CounterStates& states) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << FormatCounterStates(states);
    if (!out.flush()) return false;
  }
  return std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace wm033::onewire::sim
