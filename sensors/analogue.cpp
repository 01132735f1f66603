// Barometric pressure and humidity: the input voltage of a DS2438, held to 0..9.99 V and shown,
// plotted and logged as hundredths of a volt.
#include <cmath>

#include "app/wm033f1.h"
#include "datalog/records.h"
#include "outputs/health.h"

namespace wm033 {

namespace {

struct AnalogueChannel {
  int slot;
  uint8_t bus_code;
  const char* busy_text;
  const char* failure_text;
  const char* negative_text;
  const char* high_text;
  const char* prefix;
  int modulus;
};

constexpr AnalogueChannel kBaro{8,
                                10,
                                "MicroLan already in use when LookAtAndDealWithBaro tried to call "
                                "it. Err5May12A",
                                "During LookAtAndDealWithBaro, QZRErr: ",
                                "rsBaroLatest was negative at line 2 of 10Aug03",
                                "rsBaroLatest was >9.99 at line 1 of 10Aug03",
                                "bp",
                                50};
constexpr AnalogueChannel kHum{9,
                               20,
                               "MicroLan already in use when LookAtAndDealWithHum tried to call "
                               "it. Err5May12B",
                               "During LookAtHum, QZRErr: ",
                               "rsHumLatest was negative at line 3 of 10Aug03",
                               "rsHumLatest was >9.99 at line 4 of 10Aug03",
                               "hm",
                               30};

}  // namespace

static void LookAtAnalogue(TWM033f1& f, const AnalogueChannel& ch, float& latest, int16_t& reading,
                           int32_t& readings, Label& label) {
  if (f.bMicroLanInUse != 0) {
    f.ReportError(ch.busy_text);
    return;
  }
  f.bMicroLanInUse = ch.bus_code;
  outputs::ReadScope read(f, ch.slot);  // an out-of-range voltage fails the read too
  float tture = 0;
  int16_t tmex = 0;
  f.Read2438(static_cast<uint8_t>(ch.slot), latest, tture, f.wQZRErr, tmex);
  f.liDallErr = tmex;
  f.bMicroLanInUse = 0;
  if (f.wQZRErr != 0) {
    read.Done(f.wQZRErr);
    f.ReportDallasError(ch.failure_text, f.wQZRErr, f.liDallErr);
    return;
  }
  if (latest < 0) {
    f.ReportError(ch.negative_text);
    latest = 9.99f;
    f.wQZRErr = 1;
  }
  if (latest > 9.99) {
    f.ReportError(ch.high_text);
    latest = 9.99f;
    f.wQZRErr = 1;
  }
  reading = static_cast<int16_t>(AnalogueCode(latest));
  read.Done(f.wQZRErr);
  if (f.wQZRErr != 0) return;
  f.Outputs.health.Good(ch.slot, reading, f.platform().Now());
  const size_t c = static_cast<size_t>(ch.slot);
  f.PlotReading(f.AnalogueY(ch.slot, reading), f.clChannel[c]);
  ++readings;
  label.SetCaption(std::to_string(reading));
  const std::string line = AnalogueRecord(ch.prefix, f.MakeTimeStamp(), latest);
  if (f.bDataLogOpen && (readings % ch.modulus == 1 || !f.bColumnLogged[c])) {
    f.WriteDataLogLine(line);
    f.bColumnLogged[c] = true;
  }
}

void TWM033f1::LookAtAndDealWithBaro() {
  LookAtAnalogue(*this, kBaro, rsBaroLatest, siBaroLatest, nBaroReadings, WM033fControl.laBP);
}

void TWM033f1::LookAtAndDealWithHum() {
  LookAtAnalogue(*this, kHum, rsHumLatest, siHumLatest, nHumReadings, WM033fControl.laHum);
}

}  // namespace wm033
