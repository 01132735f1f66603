// A 32-bit pixel bitmap of our own, drawn with primitives that follow the Windows rules the
// graph depends on (a line excludes its end point) and that clip everything to the bitmap.
// Pixels are stored as 0xFFRRGGBB so that Qt and the JPEG writer can read them in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace wm033::display {

// Colours handed in and out are 24-bit values with red in the low byte (0x00BBGGRR).
using Colour = uint32_t;

constexpr uint32_t ToArgb(Colour c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr Colour FromArgb(uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

class Bitmap {
 public:
  Bitmap() = default;
  Bitmap(int width, int height, Colour fill = 0xFFFFFF);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  void SetPixel(int x, int y, Colour c);  // ignored outside the bitmap
  Colour GetPixel(int x, int y) const;    // white outside the bitmap
  void Fill(Colour c);
  // A line from (x0, y0) towards (x1, y1); the end point itself is not drawn.
  void Line(int x0, int y0, int x1, int y1, Colour c);
  // Copies the rectangle [sx, sx+w) x [sy, sy+h) to (dx, dy); overlapping regions are safe.
  void CopyRect(int dx, int dy, int sx, int sy, int w, int h);

  const uint32_t* Data() const { return pixels_.data(); }
  uint32_t* MutableData() { return pixels_.data(); }
  int BytesPerLine() const { return width_ * 4; }
  bool operator==(const Bitmap& o) const {
    return width_ == o.width_ && height_ == o.height_ && pixels_ == o.pixels_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Text and shapes that need a font or an anti-aliasing painter; drawn with Qt's painter on the
// bitmap's pixels (bitmap_paint.cpp). They need a QGuiApplication for fonts.
void DrawText(Bitmap& bmp, int x, int y, const std::string& text, int point_size, Colour colour,
              Colour background, bool opaque_background);
void DrawEllipse(Bitmap& bmp, int left, int top, int right, int bottom, int pen_width, Colour pen,
                 Colour brush);
void DrawThickLine(Bitmap& bmp, int x0, int y0, int x1, int y1, int pen_width, Colour colour);

}  // namespace wm033::display
