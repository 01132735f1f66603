#include "app/forms.h"

namespace wm033 {
namespace {

constexpr int kStripColumnWidth = 54;
Geometry StripValue(int col) {
  return {8 + 2 + col * kStripColumnWidth, 160 + 6, kStripColumnWidth, 18};
}
Geometry StripCaption(int col) {
  return {8 + 2 + col * kStripColumnWidth, 160 + 32, kStripColumnWidth, 16};
}

}  // namespace

TWM033fControl::TWM033fControl()
    : Form("WM033fControl", {30, 399, 982, 299}, "Numeric display of most recent readings"),
      laADCa("laADCa", {8, 104, 56, 16}),
      laADCb("laADCb", {68, 104, 56, 16}),
      laADCc("laADCc", {128, 104, 56, 16}),
      laADCd("laADCd", {188, 104, 56, 16}),
      laWDr("laWDr", {8, 122, 56, 16}),
      laWDb("laWDb", {8, 140, 56, 16}),
      laTture0("laTture0", StripValue(0), "- - -", forms::Align::Centre),
      laTture1("laTture1", StripValue(1), "- - -", forms::Align::Centre),
      laTture2("laTture2", StripValue(2), "- - -", forms::Align::Centre),
      laTture3("laTture3", StripValue(3), "- - -", forms::Align::Centre),
      laTture4("laTture4", StripValue(4), "- - -", forms::Align::Centre),
      laTxtTture0("laTxtTture0", StripCaption(0), "", forms::Align::Centre),
      laTxtTture1("laTxtTture1", StripCaption(1), "", forms::Align::Centre),
      laTxtTture2("laTxtTture2", StripCaption(2), "", forms::Align::Centre),
      laTxtTture3("laTxtTture3", StripCaption(3), "", forms::Align::Centre),
      laTxtTture4("laTxtTture4", StripCaption(4), "", forms::Align::Centre),
      laRF("laRF", StripValue(5), "9997999", forms::Align::Centre),
      laTxtRainfall("laTxtRainfall", StripCaption(5), "RF", forms::Align::Centre),
      laWS("laWS", StripValue(6), "9997999", forms::Align::Centre),
      laTxtWindspeed("laTxtWindspeed", StripCaption(6), "WS", forms::Align::Centre),
      laBP("laBP", StripValue(7), "9999", forms::Align::Centre),
      laTxtBP("laTxtBP", StripCaption(7), "BP", forms::Align::Centre),
      laHum("laHum", StripValue(8), "9999", forms::Align::Centre),
      laTxtHum("laTxtHum", StripCaption(8), "HM", forms::Align::Centre),
      laWDi("laWDi", StripValue(9), "XXX", forms::Align::Centre),
      Label1("Label1", StripCaption(9), "WD(i)", forms::Align::Centre),
      laWDa("laWDa", StripValue(10), "XXX", forms::Align::Centre),
      Label5("Label5", StripCaption(10), "WD(a)", forms::Align::Centre),
      laLT("laLT", StripValue(11), "9997999", forms::Align::Centre),
      laTxtLtning("laTxtLtning", StripCaption(11), "LT", forms::Align::Centre),
      laOnOff1("laOnOff1", StripValue(12), "9997999", forms::Align::Centre),
      laTxtOnOff1("laTxtOnOff1", StripCaption(12), "OnOff1", forms::Align::Centre),
      laOnOff2("laOnOff2", StripValue(13), "9997999", forms::Align::Centre),
      laTxtOnOff2("laTxtOnOff2", StripCaption(13), "OnOff2", forms::Align::Centre) {
  SetTitleButtons(false);
  struct Fixed {
    const char* text;
    Geometry g;
  };
  const Fixed fixed[] = {
      {"Tx:  Temperatures", {8, 8, 230, 16}},
      {"WS: Windspeed count", {8, 24, 230, 16}},
      {"RF:  Rainfall count", {8, 40, 230, 16}},
      {"BP:  Barometric pressure", {8, 56, 230, 16}},
      {"WDi: Wind Direction(instantaneous)", {250, 8, 300, 16}},
      {"WDa: Wind Direction(average)", {250, 24, 300, 16}},
      {"HM: Humidity", {250, 40, 300, 16}},
      {"LT: Lightning strikes", {250, 56, 300, 16}},
      {"A", {8, 86, 56, 16}},
      {"B", {68, 86, 56, 16}},
      {"C", {128, 86, 56, 16}},
      {"D", {188, 86, 56, 16}},
      {"<- ADC channel results", {250, 104, 300, 16}},
      {"<- Wind direction in 4", {70, 122, 300, 16}},
      {"<- WD translated to index", {70, 140, 300, 16}},
  };
  int i = 0;
  for (const Fixed& f : fixed) {
    FixedTexts.push_back(std::make_unique<Label>("FixedText" + std::to_string(i++), f.g, f.text));
  }
}

Label& TWM033fControl::TtureValue(int c) {
  Label* v[] = {&laTture0, &laTture1, &laTture2, &laTture3, &laTture4};
  return *v[c < 0 ? 0 : (c > 4 ? 4 : c)];
}

Label& TWM033fControl::TtureCaption(int c) {
  Label* v[] = {&laTxtTture0, &laTxtTture1, &laTxtTture2, &laTxtTture3, &laTxtTture4};
  return *v[c < 0 ? 0 : (c > 4 ? 4 : c)];
}

std::vector<std::pair<Label*, Label*>> TWM033fControl::StripColumns() {
  return {{&laTture0, &laTxtTture0}, {&laTture1, &laTxtTture1}, {&laTture2, &laTxtTture2},
          {&laTture3, &laTxtTture3}, {&laTture4, &laTxtTture4}, {&laRF, &laTxtRainfall},
          {&laWS, &laTxtWindspeed},  {&laBP, &laTxtBP},         {&laHum, &laTxtHum},
          {&laWDi, &Label1},         {&laWDa, &Label5},         {&laLT, &laTxtLtning},
          {&laOnOff1, &laTxtOnOff1}, {&laOnOff2, &laTxtOnOff2}};
}

std::vector<Label*> TWM033fControl::AllLabels() {
  std::vector<Label*> all;
  for (auto& f : FixedTexts) all.push_back(f.get());
  for (Label* l : {&laADCa, &laADCb, &laADCc, &laADCd, &laWDr, &laWDb}) all.push_back(l);
  for (auto& [value, caption] : StripColumns()) {
    all.push_back(value);
    all.push_back(caption);
  }
  return all;
}

TWM033ErrDisp::TWM033ErrDisp()
    : Form("WM033ErrDisp", {48, 241, 507, 154}, ""),
      Memo1("Memo1", {0, 0, 507, 154},
            {"Welcome to WM033", "(This is a splash screen experiment)",
             "Please wait while main display is initialized.",
             "On an older machine (slow processor, disk)....", "        perhaps a minute....."}) {
  SetTitleButtons(false);
  Memo1.SetReadOnly(true);
}

Twm033warnF1::Twm033warnF1()
    : Form("wm033warnF1", {16, 144, 401, 392}, "WM033 Warning about file names"),
      Memo1("Memo1", {8, 8, 377, 310},
            {"All of the files used by this program are named with the",
             "prefix \"WM033\", except for the data log, \"WM33DtLg.txt\",",
             "and the error log, \"WM33ErLg.txt\", which have no zero", "in their names.", "",
             "A folder \"C:\\WM33\" (no zero) was found on this machine.",
             "That is allowed, but the program does not look at it:",
             "nothing in it is read or written by WM033.", "",
             "If you meant to put the program's files there, move them",
             "to the folder named with the zero, or beside the program."}),
      buClose("buClose", {150, 328, 100, 25}, "Close Window") {
  Memo1.SetReadOnly(true);
  Memo1.SetWordWrap(false);
  buClose.OnClick = [this] { buCloseClick(); };
}

void Twm033warnF1::buCloseClick() {
  Close();
}

}  // namespace wm033
