// The wind dial: a 60 x 60 teal disc with a black pointer from the opposite rim to the rim of
// the displayed direction, thickened over its last 10 pixels as its head.
#include "app/wm033f1.h"
#include "display/bitmap.h"

namespace wm033 {

namespace {
constexpr int kDialSize = 60;
constexpr int kRimPen = 1;
constexpr int kShaftPen = 4;
constexpr int kHeadPen = 12;
constexpr Colour kDialTeal = forms::RGB(0, 128, 128);
}  // namespace

// Redraws the dial for displayed direction d (0 = north, clockwise); 16 (or any value outside
// 0..15) is an unreadable direction and leaves the dial empty.
void TWM033f1::DrawWindDial(int d) {
  display::Bitmap& dial = iWindDial.Picture();
  display::DrawEllipse(dial, 0, 0, kDialSize, kDialSize, kRimPen, forms::kBlack, kDialTeal);
  if (d >= 0 && d <= 15) {
    const auto tip = static_cast<size_t>(d);
    const auto tail = static_cast<size_t>((d + 8) % 16);
    display::DrawThickLine(dial, iDialX[tail], iDialY[tail], iDialX[tip], iDialY[tip], kShaftPen,
                           forms::kBlack);
    display::DrawThickLine(dial, iDialX[tip], iDialY[tip], iDialX2[tip], iDialY2[tip], kHeadPen,
                           forms::kBlack);
  }
  iWindDial.Repaint();
}

}  // namespace wm033
