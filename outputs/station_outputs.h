// The main form's share of the outputs beside the page: the health count, the settings of the
// readings file and calibrations, when the readings file is due, and who is told of each
// readings document. The routines that use it are members of the main form
// (outputs/station_outputs.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "outputs/calibration.h"
#include "outputs/health.h"

namespace wm033::outputs {

struct StationOutputs {
  StationHealth health;
  OutputSettings settings;
  double next_readings = 0;       // day count before which no in-between write is made
  uint64_t written_revision = 0;  // the health revision the last readings file showed

  // Each failed write is noted once, and again only after a write of that file succeeded.
  bool readings_failed = false;
  bool health_page_failed = false;
  bool png_failed = false;

  // Told of every readings document made for the readings file (at each page write and each
  // in-between write), whether or not the file itself could be written: the one place where
  // other publishers of the station's state hook in.
  std::vector<std::function<void(const std::string& document)>> on_readings;
};

// A file name in the page folder made from another: "WM033BC.htm" with ".json" gives
// "WM033BC.json", with "-health.htm" "WM033BC-health.htm". A name that would come out as the
// one it was made from gets the ending added instead ("x.png" with ".png": "x.png.png").
std::string DerivedName(const std::string& name, const std::string& ending);

}  // namespace wm033::outputs
