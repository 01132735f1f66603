#include "onewire/sim/ds2480b_config.h"

namespace wm033::onewire::sim {

namespace {
constexpr int kStrongPullUpMs10[6] = {164, 655, 1310, 2620, 5240, 10480};  // tenths of ms
constexpr int kProgPulseUs[7] = {32, 64, 128, 256, 512, 1024, 2048};
constexpr int kBaud[4] = {9600, 19200, 57600, 115200};
constexpr int kResetLowUs = 512, kResetHighUs = 584;  // standard and flexible
constexpr int kOdResetLowUs = 64, kOdResetHighUs = 74;
constexpr int kStandardSlotUs = 60, kOverdriveSlotUs = 10;
constexpr int kFlexHighUs = 49;  // write-1 slot after the sample point
constexpr int kFlexWrite0LowUs = 57;
}  // namespace

void Ds2480bConfig::PowerOn() {
  values_ = {};
  values_[kParamProgPulse] = 4;     // 512 us
  values_[kParamStrongPullUp] = 4;  // 524 ms
  values_[kParamLoadSensor] = 4;    // 3.0 mA
}

uint8_t Ds2480bConfig::Apply(uint8_t command) {
  const int param = (command >> 4) & 7;
  const uint8_t code = static_cast<uint8_t>((command >> 1) & 7);
  if (param == 0)  // a read: the upper four bits as sent, the value in bits 3-1
    return static_cast<uint8_t>((command & 0xF0) | (values_[code] << 1));
  values_[param] = code;
  return static_cast<uint8_t>(command & 0xFE);
}

int Ds2480bConfig::baud() const {
  return kBaud[values_[kParamBaudRate] & 3];
}

int Ds2480bConfig::ResetUs(WireSpeed speed) const {
  return speed == WireSpeed::Overdrive ? kOdResetLowUs + kOdResetHighUs
                                       : kResetLowUs + kResetHighUs;
}

int Ds2480bConfig::SlotUs(WireSpeed speed, int bit) const {
  switch (speed) {
    case WireSpeed::Overdrive:
      return kOverdriveSlotUs;
    case WireSpeed::Flexible: {
      const int dso = 3 + values_[kParamSampleOffset];
      if (bit) return 8 + values_[kParamWrite1Low] + dso + kFlexHighUs;
      return kFlexWrite0LowUs + dso;
    }
    default:
      return kStandardSlotUs;
  }
}

int64_t Ds2480bConfig::StrongPullUpUs() const {
  const uint8_t code = values_[kParamStrongPullUp];
  if (code == kPulseInfinite) return kForeverUs;
  if (code == kPulseDynamic) return 0;
  return static_cast<int64_t>(kStrongPullUpMs10[code]) * 100;
}

int64_t Ds2480bConfig::ProgPulseUs() const {
  const uint8_t code = values_[kParamProgPulse];
  if (code == kPulseInfinite) return kForeverUs;
  return kProgPulseUs[code];
}

}  // namespace wm033::onewire::sim
