// The graph pane as a JPEG file, encoded with libjpeg at the encoder's default settings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "display/bitmap.h"

namespace wm033 {

// Encodes the bitmap as a baseline JPEG in memory. False with libjpeg's reason in `error`.
bool EncodeJpeg(const display::Bitmap& bitmap, std::vector<uint8_t>& jpeg, std::string& error);

}  // namespace wm033
