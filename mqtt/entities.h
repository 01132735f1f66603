// The Home Assistant entities of a station: one sensor per enabled channel that has a chip, with
// its device class, unit (the calibrated one where the settings give a calibration) and state
// class, and for every configured line a diagnostic sensor of its health state and a "problem"
// binary sensor that is on while the line is failing. Unique ids come from the chips' ROM codes,
// so they survive restarts, reordered settings and other stations on the same hub.
#pragma once

#include <vector>

#include "mqtt/discovery.h"
#include "outputs/snapshot.h"

namespace wm033::mqtt {

std::vector<EntitySpec> StationEntities(const outputs::StationSnapshot& s);

}  // namespace wm033::mqtt
