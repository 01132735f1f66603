// The graph pane as a PNG: lossless, so every one-pixel trace keeps its channel's colour.
#pragma once

#include <cstdint>
#include <string>

#include "display/bitmap.h"

namespace wm033::outputs {

// The PNG bytes of the bitmap (8-bit RGB); false with the reason in `error`.
bool EncodePng(const display::Bitmap& bitmap, std::string& png, std::string& error);

}  // namespace wm033::outputs
