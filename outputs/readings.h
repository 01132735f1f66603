// The readings file: the station's current state as one JSON document (written beside the page
// and handed as it is to whoever else publishes it).
#pragma once

#include <string>

#include "outputs/snapshot.h"

namespace wm033::outputs {

std::string ReadingsDocument(const StationSnapshot& s);

}  // namespace wm033::outputs
