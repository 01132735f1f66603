// DS2438 smart battery monitor (family 26): temperature, and the voltage on its VAD input (or
// its supply VDD).
//
// Commands: 4E pp Write Scratchpad page pp (up to 8 bytes), BE pp Read Scratchpad page pp (8
// bytes and the CRC8 of them), 48 pp Copy Scratchpad to memory, B8 pp Recall Memory page pp to
// its scratchpad, 44 Convert T (10 ms), B4 Convert V (4 ms). A conversion reads 0 while busy.
//
// Page 0     0 status/configuration: IAD 01, CA 02, EE 04, AD 08 (1: convert VDD, 0: VAD),
//              TB 10 (temperature busy), NVB 20, ADB 40 (A/D busy); power-on 0F
//            1, 2 temperature LSB, MSB: 13 bits, signed, left-justified (raw / 256 degrees)
//            3, 4 voltage LSB, MSB: 10 bits in 10 mV steps
//            5, 6 current; 7 threshold
// Pages 1-7  accumulators, offsets, user EEPROM (zero here).
// The configuration bits are a live register: a Write Scratchpad of page 0 sets them at once.
// Memory is only read through a Recall into the scratchpad.
#include <algorithm>
#include <cmath>

#include "onewire/crc.h"
#include "onewire/sim/chips.h"

namespace wm033::onewire::sim {

namespace {
constexpr uint8_t kWriteScratchpad = 0x4E;
constexpr uint8_t kReadScratchpad = 0xBE;
constexpr uint8_t kCopyScratchpad = 0x48;
constexpr uint8_t kRecallMemory = 0xB8;
constexpr uint8_t kConvertT = 0x44;
constexpr uint8_t kConvertV = 0xB4;
constexpr uint32_t kTemperatureMs = 10;
constexpr uint32_t kVoltageMs = 4;
constexpr uint8_t kConfigAd = 0x08;
constexpr uint8_t kConfigTb = 0x10;
constexpr uint8_t kConfigAdb = 0x40;
}  // namespace

Ds2438::Ds2438(const Rom& rom, SimClock& clock, std::function<double()> celsius,
               std::function<double()> vad_volts, double vdd_volts)
    : SimChip(rom, clock),
      celsius_(std::move(celsius)),
      vad_(std::move(vad_volts)),
      vdd_(vdd_volts) {
  memory_[0][0] = config_;
}

void Ds2438::Update() {
  if (faults().power_on) {
    for (int i = 1; i <= 4; ++i) memory_[0][i] = 0;
  }
  const uint32_t now = clock().Ticks();
  if (t_busy_ && !faults().stuck && now - t_start_ >= kTemperatureMs) {
    t_busy_ = false;
    if (!faults().power_on) {
      const double c = std::clamp(celsius_ ? celsius_() : 20.0, -55.0, 125.0);
      const int raw = static_cast<int>(std::lround(c * 32.0)) * 8;  // 0.03125 degree steps
      memory_[0][1] = static_cast<uint8_t>(raw & 0xFF);
      memory_[0][2] = static_cast<uint8_t>((raw >> 8) & 0xFF);
    }
  }
  if (v_busy_ && !faults().stuck && now - v_start_ >= kVoltageMs) {
    v_busy_ = false;
    if (!faults().power_on) {
      const double v = (config_ & kConfigAd) ? vdd_ : (vad_ ? vad_() : 0.0);
      const long steps = std::clamp(std::lround(v * 100.0), 0L, 1023L);
      memory_[0][3] = static_cast<uint8_t>(steps & 0xFF);
      memory_[0][4] = static_cast<uint8_t>(steps >> 8);
    }
  }
  memory_[0][0] = static_cast<uint8_t>((config_ & 0x0F) | (t_busy_ ? kConfigTb : 0) |
                                       (v_busy_ ? kConfigAdb : 0));
}

void Ds2438::RecallInto(int page) {
  Update();
  scratch_[page] = memory_[page];
}

void Ds2438::OnSelected() {
  Update();
  state_ = State::Command;
  index_ = 0;
}

uint8_t Ds2438::OutputByte() {
  switch (state_) {
    case State::ReadScratchpad:
      return index_ < 9 ? out_[index_] : 0xFF;
    case State::Busy:
      Update();
      return (t_busy_ || v_busy_) ? 0x00 : 0xFF;
    default:
      return 0xFF;
  }
}

void Ds2438::OnByte(uint8_t b) {
  switch (state_) {
    case State::Command:
      command_ = b;
      if (b == kConvertT) {
        Update();
        t_busy_ = true;
        t_start_ = clock().Ticks();
        state_ = State::Busy;
      } else if (b == kConvertV) {
        Update();
        v_busy_ = true;
        v_start_ = clock().Ticks();
        state_ = State::Busy;
      } else if (b == kWriteScratchpad || b == kReadScratchpad || b == kCopyScratchpad ||
                 b == kRecallMemory) {
        state_ = State::Page;
      } else {
        state_ = State::Listen;
      }
      return;
    case State::Page:
      if (b > 7) {
        state_ = State::Listen;
        return;
      }
      page_ = b;
      index_ = 0;
      if (command_ == kWriteScratchpad) {
        state_ = State::WriteScratchpad;
      } else if (command_ == kReadScratchpad) {
        for (int i = 0; i < 8; ++i) out_[i] = scratch_[page_][i];
        out_[8] = Crc8(out_.data(), 8);
        if (CorruptCrc()) out_[8] ^= 0x5A;
        state_ = State::ReadScratchpad;
      } else if (command_ == kCopyScratchpad) {
        if (page_ == 0) {
          config_ = scratch_[0][0] & 0x0F;
          memory_[0][7] = scratch_[0][7];
        } else {
          memory_[page_] = scratch_[page_];
        }
        Update();
        state_ = State::Listen;
      } else {
        RecallInto(page_);
        state_ = State::Listen;
      }
      return;
    case State::WriteScratchpad:
      if (index_ < 8) {
        scratch_[page_][index_] = b;
        if (page_ == 0 && index_ == 0) {
          config_ = b & 0x0F;
          Update();
        }
      }
      ++index_;
      return;
    case State::ReadScratchpad:
      ++index_;
      return;
    default:
      return;
  }
}

}  // namespace wm033::onewire::sim
