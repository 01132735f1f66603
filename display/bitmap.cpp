#include "display/bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace wm033::display {

Bitmap::Bitmap(int width, int height, Colour fill)
    : width_(std::max(0, width)),
      height_(std::max(0, height)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), ToArgb(fill)) {}

void Bitmap::SetPixel(int x, int y, Colour c) {
  if (!Contains(x, y)) return;
  pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] =
      ToArgb(c);
}

Colour Bitmap::GetPixel(int x, int y) const {
  if (!Contains(x, y)) return 0xFFFFFF;
  return FromArgb(
      pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)]);
}

void Bitmap::Fill(Colour c) {
  std::fill(pixels_.begin(), pixels_.end(), ToArgb(c));
}

void Bitmap::Line(int x0, int y0, int x1, int y1, Colour c) {
  // Bresenham, stopping one pixel short of the end point as Windows' LineTo does.
  const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
  const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
  int err = dx + dy;
  int x = x0, y = y0;
  while (!(x == x1 && y == y1)) {
    SetPixel(x, y, c);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void Bitmap::CopyRect(int dx, int dy, int sx, int sy, int w, int h) {
  // Clip the source and destination rectangles together.
  if (sx < 0) {
    w += sx;
    dx -= sx;
    sx = 0;
  }
  if (sy < 0) {
    h += sy;
    dy -= sy;
    sy = 0;
  }
  if (dx < 0) {
    w += dx;
    sx -= dx;
    dx = 0;
  }
  if (dy < 0) {
    h += dy;
    sy -= dy;
    dy = 0;
  }
  w = std::min({w, width_ - sx, width_ - dx});
  h = std::min({h, height_ - sy, height_ - dy});
  if (w <= 0 || h <= 0) return;
  const size_t row_bytes = static_cast<size_t>(w) * 4;
  auto row = [&](int y, int x) { return pixels_.data() + static_cast<size_t>(y) * width_ + x; };
  if (dy <= sy) {
    for (int i = 0; i < h; ++i) std::memmove(row(dy + i, dx), row(sy + i, sx), row_bytes);
  } else {
    for (int i = h - 1; i >= 0; --i) std::memmove(row(dy + i, dx), row(sy + i, sx), row_bytes);
  }
}

}  // namespace wm033::display
