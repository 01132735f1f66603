#include "onewire/station_config.h"

#include <cctype>
#include <fstream>

namespace wm033::onewire {

StationConfig ParseStationConfig(const std::vector<std::string>& lines) {
  StationConfig cfg;
  auto digit_at = [&](size_t line, const char* name, int16_t& out) {
    if (line < lines.size() && lines[line].size() >= 3 &&
        std::isdigit(static_cast<unsigned char>(lines[line][2]))) {
      out = static_cast<int16_t>(lines[line][2] - '0');
    } else {
      cfg.problems.push_back(std::string("line ") + name + ": the 3rd character is not a digit");
    }
  };
  digit_at(7, "h", cfg.port_num);
  digit_at(8, "i", cfg.port_type);
  for (int slot = 0; slot < 13; ++slot) {
    ConfiguredChip& c = cfg.chips[slot];
    c.line = static_cast<char>('k' + slot);
    const size_t n = 10 + static_cast<size_t>(slot);
    if (n >= lines.size()) {
      cfg.problems.push_back(std::string("line ") + c.line + " is missing");
      continue;
    }
    const std::string& l = lines[n];
    if (l.size() < 19) {
      cfg.problems.push_back(std::string("line ") + c.line + " is too short");
      continue;
    }
    c.enabled = std::toupper(static_cast<unsigned char>(l[2])) == 'E';
    c.id = l.substr(3, 16);
    c.rom = ParseChipId(c.id);
    if (!c.rom)
      cfg.problems.push_back(std::string("line ") + c.line +
                             ": the chip identity is not 16 hexadecimal digits");
    if (l.size() >= 22) {
      c.counter_page = l[21] == 'z' ? 15 : 14;
      if (slot == 10) {
        const char t = static_cast<char>(std::toupper(static_cast<unsigned char>(l[21])));
        if (t >= 'A' && t <= 'G') cfg.wind_dir_table = static_cast<uint8_t>(t - 'A');
        const char r = static_cast<char>(std::toupper(static_cast<unsigned char>(l[20])));
        if (r >= 'A' && r <= 'P') cfg.wind_dir_rotation = static_cast<uint8_t>(r - 'A');
      }
    }
  }
  return cfg;
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  lines.clear();
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return true;
}

std::string SlotRole(int slot) {
  static const char* kRoles[13] = {"temperature 0",
                                   "temperature 1",
                                   "temperature 2",
                                   "temperature 3",
                                   "temperature 4",
                                   "rain counter",
                                   "wind speed counter",
                                   "lightning counter",
                                   "barometric pressure",
                                   "humidity",
                                   "wind direction",
                                   "on/off 1",
                                   "on/off 2"};
  return slot >= 0 && slot < 13 ? kRoles[slot] : "";
}

}  // namespace wm033::onewire
