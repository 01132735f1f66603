// DS18S20 (family 10) and DS18B20 (family 28) thermometers, externally powered.
//
// Commands: 44 Convert T (reads 0 while converting, 1 when done; 750 ms, the DS18B20 less at
// lower resolutions), BE Read Scratchpad (9 bytes), 4E Write Scratchpad (TH, TL, and on the
// DS18B20 the configuration), 48 Copy Scratchpad (to EEPROM), B8 Recall E2, B4 Read Power
// Supply (1: external power).
//
// Scratchpad        DS18S20                  DS18B20
//   0, 1            temperature LSB, MSB     temperature LSB, MSB
//   2, 3            TH, TL                   TH, TL
//   4               FF (reserved)            configuration (7F: 12 bits)
//   5               FF (reserved)            FF (reserved)
//   6               COUNT REMAIN             0C (reserved)
//   7               COUNT PER C (10)         10 (reserved)
//   8               CRC8 of bytes 0..7       CRC8 of bytes 0..7
// Temperature: DS18S20 in 0.5 degree steps (raw / 2), DS18B20 in 1/16 degree steps (raw / 16),
// both signed. Power-on value 85 degrees: AA 00 (DS18S20), 50 05 (DS18B20).
#include <algorithm>
#include <cmath>

#include "onewire/crc.h"
#include "onewire/sim/chips.h"

namespace wm033::onewire::sim {

namespace {
constexpr uint8_t kConvertT = 0x44;
constexpr uint8_t kReadScratchpad = 0xBE;
constexpr uint8_t kWriteScratchpad = 0x4E;
constexpr uint8_t kCopyScratchpad = 0x48;
constexpr uint8_t kRecallE2 = 0xB8;
constexpr uint8_t kReadPowerSupply = 0xB4;
constexpr uint32_t kConversionMs = 750;
}  // namespace

Ds18x20::Ds18x20(const Rom& rom, SimClock& clock, std::function<double()> celsius)
    : SimChip(rom, clock), celsius_(std::move(celsius)), raw_(RawFor(rom[0], 85.0)) {}

int16_t Ds18x20::RawFor(uint8_t family, double celsius, uint8_t config) {
  if (family == kFamilyDS18B20) {
    const double c = std::clamp(celsius, -55.0, 125.0);
    int raw = static_cast<int>(std::lround(c * 16.0));
    const int bits = 9 + ((config >> 5) & 3);  // the unused low bits read 0
    raw &= ~((1 << (12 - bits)) - 1);
    return static_cast<int16_t>(raw);
  }
  const double c = std::clamp(celsius, -55.0, 125.0);
  return static_cast<int16_t>(std::lround(c * 2.0));
}

uint32_t Ds18x20::ConversionMs() const {
  if (!b20()) return kConversionMs;
  return kConversionMs >> (3 - ((config_ >> 5) & 3));  // 94, 188, 375 or 750 ms
}

void Ds18x20::Update() {
  if (faults().power_on) {
    raw_ = RawFor(rom()[0], 85.0);
    count_remain_ = 0x0C;
  }
  if (!converting_ || faults().stuck) return;
  if (clock().Ticks() - conv_start_ < ConversionMs()) return;
  converting_ = false;
  if (faults().power_on) return;
  const double c = celsius_ ? celsius_() : 20.0;
  raw_ = RawFor(rom()[0], c, config_);
  if (!b20()) {
    // TEMPERATURE = TEMP_READ - 0.25 + (COUNT_PER_C - COUNT_REMAIN) / COUNT_PER_C
    const double whole = std::floor(static_cast<double>(raw_) / 2.0);
    const double remain = 16.0 - (c - whole + 0.25) * 16.0;
    count_remain_ = static_cast<uint8_t>(std::clamp(std::lround(remain), 0L, 16L));
  }
}

std::array<uint8_t, 9> Ds18x20::Scratchpad() {
  Update();
  std::array<uint8_t, 9> s{};
  s[0] = static_cast<uint8_t>(raw_ & 0xFF);
  s[1] = static_cast<uint8_t>((raw_ >> 8) & 0xFF);
  s[2] = th_;
  s[3] = tl_;
  if (b20()) {
    s[4] = config_;
    s[5] = 0xFF;
    s[6] = 0x0C;
  } else {
    s[4] = 0xFF;
    s[5] = 0xFF;
    s[6] = count_remain_;
  }
  s[7] = 0x10;
  s[8] = Crc8(s.data(), 8);
  if (CorruptCrc()) s[8] ^= 0x5A;
  return s;
}

void Ds18x20::OnSelected() {
  Update();
  state_ = State::Command;
  index_ = 0;
}

uint8_t Ds18x20::OutputByte() {
  switch (state_) {
    case State::ReadScratchpad:
      return index_ < 9 ? out_[index_] : 0xFF;
    case State::Busy:
      Update();
      return converting_ ? 0x00 : 0xFF;
    case State::PowerSupply:
      return 0xFF;
    default:
      return 0xFF;
  }
}

void Ds18x20::OnByte(uint8_t b) {
  switch (state_) {
    case State::Command:
      switch (b) {
        case kConvertT:
          converting_ = true;
          conv_start_ = clock().Ticks();
          state_ = State::Busy;
          break;
        case kReadScratchpad:
          out_ = Scratchpad();
          index_ = 0;
          state_ = State::ReadScratchpad;
          break;
        case kWriteScratchpad:
          index_ = 0;
          state_ = State::WriteScratchpad;
          break;
        case kCopyScratchpad:
          ee_th_ = th_;
          ee_tl_ = tl_;
          ee_config_ = config_;
          state_ = State::Listen;
          break;
        case kRecallE2:
          th_ = ee_th_;
          tl_ = ee_tl_;
          config_ = ee_config_;
          state_ = State::Listen;
          break;
        case kReadPowerSupply:
          state_ = State::PowerSupply;
          break;
        default:
          state_ = State::Listen;
      }
      return;
    case State::ReadScratchpad:
      ++index_;
      return;
    case State::WriteScratchpad:
      if (index_ == 0)
        th_ = b;
      else if (index_ == 1)
        tl_ = b;
      else if (index_ == 2 && b20())
        config_ = static_cast<uint8_t>((b & 0x60) | 0x1F);
      ++index_;
      return;
    default:
      return;
  }
}

}  // namespace wm033::onewire::sim
