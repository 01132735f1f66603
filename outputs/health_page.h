// The health page written beside the station's page: the readings (in calibrated units where
// the settings give them), the lossless graph with a legend of the channel colours, and a table
// of the 13 configuration lines with their state, reads, failures by code (with what each code
// means) and last good reading. Plain HTML and CSS that a phone shows without zooming.
#pragma once

#include <string>

#include "outputs/snapshot.h"

namespace wm033::outputs {

// What a channel measures: "temperature 0", "rainfall", ..., "on/off 2".
const char* ChannelName(int channel);

std::string HealthPage(const StationSnapshot& s);

}  // namespace wm033::outputs
