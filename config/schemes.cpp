// The two restack schemes: the places and sizes of the main window, the error window and the
// numeric display. The layouts are fixed after start-up; restacking never changes them.
#include "app/wm033f1.h"

namespace wm033 {

namespace {

enum { kLeft, kTop, kWidth, kHeight };

// Left, top, width and height (the outer frame), given to the window in one move.
void Place(forms::Form& f, const int32_t g[4]) {
  f.SetBounds({g[kLeft], g[kTop], g[kWidth], g[kHeight]});
}

// Restores the two other windows, places all three by a scheme and focuses the comment button.
void Restack(TWM033f1& f, const int32_t (&scheme)[3][4]) {
  f.WM033fControl.SetState(forms::WindowState::Normal);
  f.WM033fControl.SetFocus();
  f.WM033ErrDisp.SetState(forms::WindowState::Normal);
  f.WM033ErrDisp.SetFocus();
  Place(f, scheme[0]);
  Place(f.WM033ErrDisp, scheme[1]);
  Place(f.WM033fControl, scheme[2]);
  f.buInsCmnt.SetFocus();
}

}  // namespace

// Places the three windows by scheme A (start-up and the "Scheme &A" entry).
void TWM033f1::ApplySchemeA() {
  Place(*this, iWinGeom[0][0]);
  Place(WM033ErrDisp, iWinGeom[0][1]);
  Place(WM033fControl, iWinGeom[0][2]);
}

void TWM033f1::SchemeA1Click() {
  Restack(*this, iWinGeom[0]);
}

void TWM033f1::SchemeB1Click() {
  Restack(*this, iWinGeom[1]);
}

}  // namespace wm033
