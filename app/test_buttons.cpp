// The two test buttons of the main form: Button1 reads slot 1 with TakeABNWTture and reports a
// failure; Button2 converts the fixed DS2438 bytes 16, 25 and shows the result.
#include <string>

#include "app/wm033f1.h"
#include "onewire/temperature_math.h"

namespace wm033 {

void TWM033f1::Button1Click() {
  uint16_t code = 0;
  float tture = 0;
  TakeABNWTture(1, code, tture);
  if (code != 0) {
    laWatchForCrash.SetCaption("About to do floattstr");
    const std::string text = onewire::FloatText(tture);
    laWatchForCrash.SetCaption("Finished doing floattstr");
    ReportError("Err 7May12A1: wQZRErr returned:" + std::to_string(code) +
                "  smiDallErr returned:" + std::to_string(smiDallErr) +
                "  siTture returned:" + text);
  }
}

void TWM033f1::Button2Click() {
  uint16_t code = 0;
  const float tture = ConvertRawTture(0x26, 16, 25, code);
  if (code != 0) {
    platform().ShowMessage("Err 7 May 12, 13:08");
    return;
  }
  laWatchForCrash.SetCaption("About to do floattstr");
  const std::string text = onewire::FloatText(tture);
  laWatchForCrash.SetCaption("Finished doing floattstr");
  platform().ShowMessage(text);
}

}  // namespace wm033
