// The start-up defaults and the settings file C:\WM033\WM033ini2.txt.
#include "app/wm033f1.h"
#include "config/settings.h"
#include "config/text_lines.h"

namespace wm033 {

namespace {

constexpr const char* kSettingsPath = "C:\\WM033\\WM033ini2.txt";
constexpr Colour kDialDisc = forms::RGB(0, 128, 128);  // teal
constexpr int kDialSize = 60;

constexpr Colour kDefaultChannelColour[kChannels] = {
    forms::RGB(255, 0, 0),   forms::RGB(255, 81, 0),  forms::RGB(255, 118, 0),
    forms::RGB(255, 160, 0), forms::RGB(255, 213, 0), forms::RGB(0, 0, 255),
    forms::RGB(255, 0, 255), forms::RGB(0, 255, 0),   forms::RGB(0, 128, 0),
    forms::RGB(128, 0, 0),   forms::RGB(0, 0, 0),     forms::RGB(0, 128, 128),
    forms::RGB(255, 0, 0)};

// Scheme A and B, windows 1 (main), 2 (errors), 3 (numeric display): left, top, width, height.
constexpr int32_t kDefaultGeometry[2][3][4] = {
    {{0, 0, 696, 370}, {0, 342, 696, 120}, {0, 249, 696, 420}},
    {{10, 0, 580, 300}, {10, 300, 580, 100}, {10, 400, 580, 310}}};

// Caption labels of channels 5, 6, 7, 8, 9, 11 and 12 on the numeric display.
std::array<Label*, 7> OtherCaptions(TWM033fControl& c) {
  return {&c.laTxtRainfall, &c.laTxtWindspeed, &c.laTxtLtning, &c.laTxtBP,
          &c.laTxtHum,      &c.laTxtOnOff1,    &c.laTxtOnOff2};
}

}  // namespace

// Gives every value the settings file can change its built-in default, sets the other start-up
// defaults and paints the empty wind dial.
void TWM033f1::SetDefaultSettings() {
  sTitlePrefix.clear();
  sPageFolder = "C:\\";
  sPageFile = "WM033BC.htm";
  sImageFile = "WM033BC.jpg";
  iPageIntervalSecs = 0;
  rsPageInterval = 0;
  iImageIntervalSecs = 0;
  rsImageInterval = 0;
  for (int i = 2; i <= 4; ++i) {
    ExtraImageSpec& im = ExtraImage[static_cast<size_t>(i)];
    const config::ImageSettings d;
    im.caption = d.caption;
    im.name = d.name;
    im.alt = d.alt;
    im.width = d.width;
  }
  for (size_t c = 0; c < static_cast<size_t>(kChannels); ++c) {
    clChannel[c] = kDefaultChannelColour[c];
    wLineOffset[c] = 0;
    wLineScale[c] = kSquashFactor;
    boBarGraph[c] = false;
    bPlotStyle[c] = 0;
  }
  wLineOffset[11] = 1;
  wLineOffset[12] = 50;
  wLineScale[11] = wLineScale[12] = 10;
  for (int s = 0; s < 2; ++s)
    for (int w = 0; w < 3; ++w)
      for (int k = 0; k < 4; ++k) iWinGeom[s][w][k] = kDefaultGeometry[s][w][k];
  sMsgText1.clear();
  sMsgText2.clear();
  dtMsgExpiry1 = dtMsgExpiry2 = 0;
  bSettingsOk = true;
  Outputs.settings = {};

  sDataLogName = "C:/WM33DtLg.txt";
  sErrorLogName = "C:/WM33ErLg.txt";
  clSilver = forms::RGB(192, 192, 192);
  clWhite = forms::RGB(255, 255, 255);
  clAqua = forms::RGB(0, 255, 255);
  bWindDirTable = 0;
  bWindDirRotation = 9;
  iWindLowThreshold = 300;
  iWindHighThreshold = 5500;
  wWindDivisor = 150;

  display::Bitmap& dial = iWindDial.Picture();
  if (dial.Width() != kDialSize || dial.Height() != kDialSize)
    iWindDial.NewPicture(kDialSize, kDialSize);
  iWindDial.Picture().Fill(forms::kButtonFace);
  display::DrawEllipse(iWindDial.Picture(), 0, 0, kDialSize, kDialSize, 1, forms::kBlack,
                       kDialDisc);
  iWindDial.Repaint();
}

// Applies the settings file when it is there; false when the program must not run on with it.
bool TWM033f1::ReadSettingsFile() {
  bSettingsOk = true;
  const auto path = MapPath(env(), kSettingsPath);
  std::string bytes;
  if (!path || !FileExists(*path)) return bSettingsOk;
  if (!config::ReadFileBytes(*path, bytes)) {
    // Optional file: the built-in settings stand, but the operator learns why.
    platform().ShowMessage(
        "C:\\WM033\\WM033ini2.txt is there, but it could not be read (check its permissions). "
        "The built-in settings are used.");
    return bSettingsOk;
  }

  config::SettingsValues v;
  v.title_prefix = sTitlePrefix;
  v.page_folder = sPageFolder;
  v.page_file = sPageFile;
  v.image_file = sImageFile;
  v.page_interval_secs = iPageIntervalSecs;
  v.image_interval_secs = iImageIntervalSecs;
  for (size_t c = 0; c < 5; ++c) v.field_label[c] = sFieldLabel[c];
  const auto captions = OtherCaptions(WM033fControl);
  for (size_t i = 0; i < captions.size(); ++i) v.other_caption[i] = captions[i]->Caption();
  v.colour = clChannel;
  v.line_offset = wLineOffset;
  v.line_scale = wLineScale;
  v.bar_graph = boBarGraph;
  v.plot_style = bPlotStyle;
  for (int s = 0; s < 2; ++s)
    for (int w = 0; w < 3; ++w)
      for (int k = 0; k < 4; ++k) v.win_geom[s][w][k] = iWinGeom[s][w][k];
  v.msg_text1 = sMsgText1;
  v.msg_text2 = sMsgText2;
  v.msg_expiry1 = dtMsgExpiry1;
  v.msg_expiry2 = dtMsgExpiry2;

  const config::SettingsResult r = config::ApplySettingsText(bytes, platform().Now(), v);

  sImageFile = v.image_file;
  iImageIntervalSecs = v.image_interval_secs;
  rsImageInterval = siSecToDT(iImageIntervalSecs);
  const std::string marker = bShowCelsius ? "(C)" : "(F)";
  for (int c = 0; c < 5; ++c) {
    sFieldLabel[static_cast<size_t>(c)] = v.field_label[static_cast<size_t>(c)];
    WM033fControl.TtureCaption(c).SetCaption(v.field_label[static_cast<size_t>(c)] + marker);
  }
  for (size_t i = 0; i < captions.size(); ++i) captions[i]->SetCaption(v.other_caption[i]);
  sPageFolder = v.page_folder;
  sPageFile = v.page_file;
  iPageIntervalSecs = v.page_interval_secs;
  rsPageInterval = siSecToDT(iPageIntervalSecs);
  for (size_t i = 0; i < 3; ++i) {
    ExtraImageSpec& im = ExtraImage[i + 2];
    im.caption = v.images[i].caption;
    im.name = v.images[i].name;
    im.alt = v.images[i].alt;
    im.width = v.images[i].width;
  }
  wLineOffset = v.line_offset;
  wLineScale = v.line_scale;
  clChannel = v.colour;
  for (int s = 0; s < 2; ++s)
    for (int w = 0; w < 3; ++w)
      for (int k = 0; k < 4; ++k) iWinGeom[s][w][k] = v.win_geom[s][w][k];
  boBarGraph = v.bar_graph;
  bPlotStyle = v.plot_style;
  sTitlePrefix = v.title_prefix;
  sMsgText1 = v.msg_text1;
  sMsgText2 = v.msg_text2;
  dtMsgExpiry1 = v.msg_expiry1;
  dtMsgExpiry2 = v.msg_expiry2;

  for (const config::ConfigNote& note : r.notes) {
    if (note.kind == config::ConfigNote::Kind::kErrorLine)
      ReportError(note.text);
    else
      platform().ShowMessage(note.text);
  }
  ApplyOutputSettings(bytes);  // [Readings] and [Calibration]
  ReadMqttSettings(bytes);     // [MQTT]
  bSettingsOk = r.ok;
  if (r.terminate) {
    bQuitting = true;
    platform().Terminate(kExitFatalConfig);
  }
  return bSettingsOk;
}

// Seconds to a single-precision day fraction; intervals under 5 seconds count as none.
float TWM033f1::siSecToDT(int32_t seconds) {
  sExceptionTag = "Inside siSecToDT";
  return config::SecondsToDayFraction(seconds);
}

// A colour value of the settings file for a channel; 16777216 when it gave no colour.
uint32_t TWM033f1::ParseColourSpec(int channel, const std::string& text) {
  std::vector<config::ConfigNote> notes;
  const uint32_t colour = config::ColourFromSpec(channel, text, notes);
  for (const config::ConfigNote& n : notes) platform().ShowMessage(n.text);
  return colour;
}

// Stores "left,top,width,height" into the layout of a scheme (1 = A, 2 = B) and window (1..3).
bool TWM033f1::ParseWindowGeometry(int scheme, int window, const std::string& text) {
  if (scheme < 1 || scheme > 2 || window < 1 || window > 3) return false;
  return config::GeometryFromText(text, iWinGeom[scheme - 1][window - 1]);
}

}  // namespace wm033
