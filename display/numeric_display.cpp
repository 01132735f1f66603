// The numeric display window: channel captions, value colours, the Celsius/Fahrenheit switch
// and the number texts of the temperatures.
#include "display/numeric_display.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "app/wm033f1.h"

namespace wm033 {

namespace display {

float FahrenheitOf(float celsius) {
  if (celsius == kNotRead) return celsius;
  return static_cast<float>(celsius * 1.8L + 32);
}

std::string FormatReadingText(long double value, int digits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  constexpr int kHeld = 18;  // significant digits the extended type holds
  digits = std::clamp(digits, 1, kHeld);
  const bool negative = value < 0;
  // The value's leading digits and the decimal exponent of the first one.
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                               std::chars_format::scientific, kHeld - 1);
  const std::string sci(buf, r.ptr);
  const size_t e_at = sci.find('e');
  std::string held;
  for (size_t i = 0; i < e_at; ++i)
    if (sci[i] >= '0' && sci[i] <= '9') held += sci[i];
  int exponent = std::stoi(sci.substr(e_at + 1));
  if (held.find_first_not_of('0') == std::string::npos) return "0.0";

  // Keep digits down to 10^last: one decimal, or fewer where the significant digits run out.
  const int last = std::max(-1, exponent - digits + 1);
  const int keep = exponent - last + 1;
  if (keep < 0) return "0.0";
  std::string kept = held.substr(0, static_cast<size_t>(keep));
  if (static_cast<size_t>(keep) < held.size() && held[static_cast<size_t>(keep)] >= '5') {
    int i = keep - 1;
    while (i >= 0 && kept[static_cast<size_t>(i)] == '9') kept[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      ++kept[static_cast<size_t>(i)];
    } else {
      kept.insert(0, "1");
      ++exponent;
    }
  }
  if (kept.find_first_not_of('0') == std::string::npos) return "0.0";
  const std::string sign = negative ? "-" : "";

  if (exponent + 1 > digits) {
    std::string mantissa = kept.substr(0, static_cast<size_t>(digits));
    while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();
    std::string text = sign + mantissa.substr(0, 1);
    if (mantissa.size() > 1) text += "." + mantissa.substr(1);
    return text + "E" + std::to_string(exponent);
  }
  if (last >= 0) return sign + kept + std::string(static_cast<size_t>(last), '0') + ".0";
  // last == -1: the final kept digit is the decimal.
  std::string whole = kept.substr(0, kept.size() - 1);
  if (whole.empty()) whole = "0";
  return sign + whole + "." + kept.back();
}

}  // namespace display

namespace {
constexpr const char* kShowCelsiusCaption = "&Show Celcius";
constexpr const char* kShowFahrenheitCaption = "&Show F'heit";
constexpr int kTemperatureDigits = 3;
}  // namespace

void TWM033f1::InitChannelLabels() {
  sFieldLabel = {"T0 ", "T1 ", "T2 ", "T3 ", "T4 ",    "RF",    "WS",
                 "LT",  "BP",  "HM",  "",    "OnOff1", "OnOff2"};
  const std::string suffix = buCorF.Caption() == kShowFahrenheitCaption ? "(C)" : "(F)";
  TWM033fControl& c = WM033fControl;
  for (int ch = 0; ch < 5; ++ch)
    c.TtureCaption(ch).SetCaption(sFieldLabel[static_cast<size_t>(ch)] + suffix);
  c.laTxtRainfall.SetCaption(sFieldLabel[5]);
  c.laTxtWindspeed.SetCaption(sFieldLabel[6]);
  c.laTxtLtning.SetCaption(sFieldLabel[7]);
  c.laTxtBP.SetCaption(sFieldLabel[8]);
  c.laTxtHum.SetCaption(sFieldLabel[9]);
  c.laTxtOnOff1.SetCaption(sFieldLabel[11]);
  c.laTxtOnOff2.SetCaption(sFieldLabel[12]);
}

void TWM033f1::SetReadingColours() {
  TWM033fControl& c = WM033fControl;
  for (int ch = 0; ch < 5; ++ch) c.TtureValue(ch).SetFontColour(clChannel[static_cast<size_t>(ch)]);
  c.laRF.SetFontColour(clChannel[5]);
  c.laWS.SetFontColour(clChannel[6]);
  c.laLT.SetFontColour(clChannel[7]);
  c.laBP.SetFontColour(clChannel[8]);
  c.laHum.SetFontColour(clChannel[9]);
  c.laWDi.SetFontColour(clAqua);
  c.laWDa.SetFontColour(clAqua);
  c.laOnOff1.SetFontColour(clChannel[11]);
  c.laOnOff2.SetFontColour(clChannel[12]);
}

// The units switch: the button names the unit a click switches to. Temperatures are held in
// Celsius; only the labels of channels already read are rewritten.
void TWM033f1::buCorFClick() {
  bShowCelsius = !bShowCelsius;
  buCorF.SetCaption(bShowCelsius ? kShowFahrenheitCaption : kShowCelsiusCaption);
  const std::string suffix = bShowCelsius ? "(C)" : "(F)";
  for (int ch = 0; ch < 5; ++ch) {
    const float v = rsTtureLatest[static_cast<size_t>(ch)];
    if (v != kNotRead) {
      WM033fControl.TtureValue(ch).SetCaption(
          FormatReading(bShowCelsius ? v : ToFahrenheit(v), kTemperatureDigits));
    }
    WM033fControl.TtureCaption(ch).SetCaption(sFieldLabel[static_cast<size_t>(ch)] + suffix);
  }
}

float TWM033f1::ToFahrenheit(float x) {
  return display::FahrenheitOf(x);
}

std::string TWM033f1::FormatReading(long double value, int digits) {
  laWatchForCrash.SetCaption("About to do floattstrF");
  std::string text = display::FormatReadingText(value, digits);
  laWatchForCrash.SetCaption("Finished doing floattstrF");
  return text;
}

}  // namespace wm033
