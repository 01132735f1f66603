// A small reader of the chip lines of WM033ini.txt for the tools beside the program (the probe):
// line h character 3 is the port number, line i character 3 the adapter type, lines k to w the
// chips (character 3 "e"/"d", characters 4 to 19 the identity, character 21 the vane rotation,
// 22 the counter selector or the vane table letter). Lines that do not read are named in
// `problems`; their slots stay empty.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "onewire/rom.h"

namespace wm033::onewire {

struct ConfiguredChip {
  char line = 'k';
  std::string id;          // as written
  std::optional<Rom> rom;  // when the identity reads
  bool enabled = false;
  uint8_t counter_page = 14;
};

struct StationConfig {
  int16_t port_num = 0, port_type = 0;
  std::array<ConfiguredChip, 13> chips;
  uint8_t wind_dir_table = 0;
  uint8_t wind_dir_rotation = 9;  // the vane offset, letter a..p on line u
  std::vector<std::string> problems;
};

StationConfig ParseStationConfig(const std::vector<std::string>& lines);
// Reads a file's lines (CR LF or LF); false when it cannot be read.
bool ReadLines(const std::string& path, std::vector<std::string>& lines);

// The role of a slot's line, as a short text ("temperature 0", "rain counter", ...).
std::string SlotRole(int slot);

}  // namespace wm033::onewire
