// What the readings file and the health page show, taken from the main form at one moment, so
// that both are pure functions of it (and tests can build one by hand).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "outputs/calibration.h"
#include "outputs/health.h"

namespace wm033::outputs {

struct LineSnapshot {
  int channel = 0;
  char line = 'k';     // configuration line letter
  std::string label;   // the caption the numeric display shows
  std::string text;    // the latest reading as the numeric display writes it
  std::string unit;    // unit of the reading's value
  std::string family;  // two hex digits, as in WM033ini.txt
  std::string rom;     // the 16 hex digits of WM033ini.txt (family code last)
  LineState state = LineState::kOk;
  LineHealth health;
  std::optional<Calibrated> calibrated;  // only where the settings give a calibration
  uint32_t colour = 0;                   // graph colour, red in the low byte
  bool plotted = true;                   // drawn on the graph (all but the wind direction)
};

struct StationSnapshot {
  std::string title_prefix;
  std::string version;
  int port = 0;
  int port_type = 0;
  bool simulated = false;
  double now = 0;  // local day count
  int32_t cycles = 0;
  std::string page_file;  // names in the page folder, for the health page's links
  std::string png_file;
  std::array<LineSnapshot, kLines> lines;
};

// The unit of a channel's value in the program's own terms: degrees Celsius, counts, the
// pressure and humidity codes (hundredths of a volt), compass degrees.
const char* ValueUnit(int channel);

}  // namespace wm033::outputs
