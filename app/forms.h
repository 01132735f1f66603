// The three windows besides the main one: the numeric display, the error window and the
// file-name warning. Plain component models; gui/ shows them.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "forms/components.h"

namespace wm033 {

using forms::Button;
using forms::Form;
using forms::Geometry;
using forms::Label;
using forms::Memo;

// Numeric display of the latest readings: fixed texts, the wind-direction details and the white
// reading strip (Panel1) with one value label over one caption label per reading.
class TWM033fControl : public Form {
 public:
  TWM033fControl();

  // Upper area.
  std::vector<std::unique_ptr<Label>> FixedTexts;
  Label laADCa, laADCb, laADCc, laADCd, laWDr, laWDb;

  // Reading strip, Panel1: 769 x 57 at (8, 160); its labels are placed relative to it.
  Geometry Panel1{8, 160, 769, 57};
  Label laTture0, laTture1, laTture2, laTture3, laTture4;
  Label laTxtTture0, laTxtTture1, laTxtTture2, laTxtTture3, laTxtTture4;
  Label laRF, laTxtRainfall, laWS, laTxtWindspeed, laBP, laTxtBP, laHum, laTxtHum;
  Label laWDi, Label1, laWDa, Label5, laLT, laTxtLtning;
  Label laOnOff1, laTxtOnOff1, laOnOff2, laTxtOnOff2;

  // Temperature value and caption labels by channel 0..4.
  Label& TtureValue(int c);
  Label& TtureCaption(int c);
  // Every label, for views.
  std::vector<Label*> AllLabels();
  // Value labels of the strip, in strip order, with their caption labels.
  std::vector<std::pair<Label*, Label*>> StripColumns();

  // Answers the "MyApp" message of a second copy: restore and bring the program to the front.
  std::function<void()> InstanceHook;
};

// Error window: the splash text during start-up, then the newest-first list of error lines.
class TWM033ErrDisp : public Form {
 public:
  TWM033ErrDisp();
  Memo Memo1;
};

// One-off notice about a "C:\WM33" folder.
class Twm033warnF1 : public Form {
 public:
  Twm033warnF1();
  Memo Memo1;
  Button buClose;
  void buCloseClick();
  bool Closed = false;
};

}  // namespace wm033
