// DS2450 1-Wire quad A/D converter (family 20), powered from VCC.
//
// Memory, 4 pages of 8 bytes (addresses 00-1F):
//   page 0  00-07  conversion results A, B, C, D: 16 bits each, low byte first, left-justified
//                  (an 8-bit reading is in the high byte)
//   page 1  08-0F  control/status, two bytes per channel:
//                  first:  RC3-RC0 resolution (0 = 16 bits), OC 40 output control, OE 80 output
//                          enable; power-on 08
//                  second: IR 01 input range (0: 2.56 V, 1: 5.12 V), AEL 04 / AEH 08 alarm
//                          enables, AFL 10 / AFH 20 alarm flags, POR 80; power-on 8C
//   page 2  10-17  alarm settings, low and high per channel; power-on 00 FF
//   page 3  18-1F  calibration; 1C is the VCC control byte (40: powered from VCC)
// Commands:
//   AA TA1 TA2  Read Memory: the rest of the page, then the CRC16 inverted (low byte first) of
//               command, address and data; reading on gives the next page and a CRC16 of its
//               data alone, to the end of memory, then 1s.
//   55 TA1 TA2  Write Memory: for each data byte the chip sends the CRC16 inverted of command,
//               address and data (for later bytes: the CRC generator loaded with the new address,
//               then the data shifted in), then the byte as it now reads back from memory; the
//               address then moves on.
//   3C mask ctl Convert: input select mask (bit n = channel n), read-out control (two bits per
//               channel: 01 preset the result to 0s, 10 to 1s); the chip sends the CRC16 inverted
//               of the three bytes, then converts, reading 0 while busy and 1 when done: 80 us per
//               bit and 160 us per channel.
#include <algorithm>
#include <cmath>

#include "onewire/crc.h"
#include "onewire/sim/chips.h"

namespace wm033::onewire::sim {

namespace {
constexpr uint8_t kReadMemory = 0xAA;
constexpr uint8_t kWriteMemory = 0x55;
constexpr uint8_t kConvert = 0x3C;
constexpr int kPageSize = 8;
constexpr int kMemorySize = 32;
constexpr int kControlPage = 0x08;
constexpr int kAlarmPage = 0x10;

void PutCrc(std::array<uint8_t, 12>& out, int& len, uint16_t crc) {
  crc = static_cast<uint16_t>(~crc);
  out[len++] = static_cast<uint8_t>(crc & 0xFF);
  out[len++] = static_cast<uint8_t>(crc >> 8);
}
}  // namespace

Ds2450::Ds2450(const Rom& rom, SimClock& clock, std::function<double(int)> volts)
    : SimChip(rom, clock), volts_(std::move(volts)) {
  for (int ch = 0; ch < 4; ++ch) {
    memory_[kControlPage + 2 * ch] = 0x08;
    memory_[kControlPage + 2 * ch + 1] = 0x8C;
    memory_[kAlarmPage + 2 * ch] = 0x00;
    memory_[kAlarmPage + 2 * ch + 1] = 0xFF;
  }
}

uint16_t Ds2450::ResultFor(int channel, double volts) const {
  const int rc = memory_[kControlPage + 2 * channel] & 0x0F;
  const int bits = rc == 0 ? 16 : rc;
  const double range = (memory_[kControlPage + 2 * channel + 1] & 0x01) ? 5.12 : 2.56;
  const double top = static_cast<double>((1 << bits) - 1);
  const double code = std::clamp(std::floor(volts / range * (1 << bits)), 0.0, top);
  return static_cast<uint16_t>(static_cast<uint32_t>(code) << (16 - bits));
}

void Ds2450::Update() {
  if (!converting_ || faults().stuck) return;
  if (clock().Ticks() - conv_start_ < conv_ms_) return;
  converting_ = false;
  for (int ch = 0; ch < 4; ++ch) {
    if (!(conv_mask_ & (1 << ch))) continue;
    const uint16_t r = ResultFor(ch, volts_ ? volts_(ch) : 0.0);
    memory_[2 * ch] = static_cast<uint8_t>(r & 0xFF);
    memory_[2 * ch + 1] = static_cast<uint8_t>(r >> 8);
  }
}

void Ds2450::OnSelected() {
  Update();
  state_ = State::Command;
  out_len_ = out_pos_ = 0;
}

void Ds2450::LoadReadPage() {
  uint16_t crc = CopyPageTail(kReadMemory, address_, kPageSize, memory_.data(), first_page_,
                              out_.data(), out_len_);
  if (CorruptCrc()) crc ^= 0x0101;
  PutCrc(out_, out_len_, crc);
  out_pos_ = 0;
}

uint8_t Ds2450::OutputByte() {
  switch (state_) {
    case State::ReadMemory:
    case State::ConvertCrc1:
    case State::ConvertCrc2:
      return out_pos_ < out_len_ ? out_[out_pos_] : 0xFF;
    case State::WriteCrc1:
      return out_[0];
    case State::WriteCrc2:
      return out_[1];
    case State::WriteEcho:
      return out_[2];
    case State::Busy:
      Update();
      return converting_ ? 0x00 : 0xFF;
    default:
      return 0xFF;
  }
}

void Ds2450::OnByte(uint8_t b) {
  switch (state_) {
    case State::Command:
      command_ = b;
      if (b == kReadMemory || b == kWriteMemory)
        state_ = State::Address1;
      else if (b == kConvert)
        state_ = State::ConvertMask;
      else
        state_ = State::Listen;
      return;
    case State::Address1:
      address_ = b;
      state_ = State::Address2;
      return;
    case State::Address2:
      address_ = static_cast<uint16_t>(address_ | (b << 8));
      if (address_ >= kMemorySize) {
        state_ = State::Listen;
        return;
      }
      crc_ = 0;
      if (command_ == kReadMemory) {
        first_page_ = true;
        LoadReadPage();
        state_ = State::ReadMemory;
      } else {
        const uint8_t head[3] = {kWriteMemory, static_cast<uint8_t>(address_ & 0xFF),
                                 static_cast<uint8_t>(address_ >> 8)};
        crc_ = Crc16(head, 3);
        state_ = State::WriteData;
      }
      return;
    case State::ReadMemory:
      if (out_pos_ >= out_len_) return;
      if (++out_pos_ == out_len_) {
        const int next = (address_ / kPageSize + 1) * kPageSize;
        if (next >= kMemorySize) return;
        address_ = static_cast<uint16_t>(next);
        first_page_ = false;
        LoadReadPage();
      }
      return;
    case State::WriteData: {
      uint16_t crc = Crc16Byte(crc_, b);
      if (CorruptCrc()) crc ^= 0x0101;
      // Page 0 holds conversion results and is not written; the alarm flags and the unused
      // bits of the control bytes are the chip's own.
      if (address_ >= kControlPage) {
        uint8_t v = b;
        if (address_ < kAlarmPage && (address_ & 1))
          v = static_cast<uint8_t>((b & 0x8D) | (memory_[address_] & 0x30));
        memory_[address_] = v;
      }
      crc = static_cast<uint16_t>(~crc);
      out_[0] = static_cast<uint8_t>(crc & 0xFF);
      out_[1] = static_cast<uint8_t>(crc >> 8);
      out_[2] = memory_[address_];
      state_ = State::WriteCrc1;
      return;
    }
    case State::WriteCrc1:
      state_ = State::WriteCrc2;
      return;
    case State::WriteCrc2:
      state_ = State::WriteEcho;
      return;
    case State::WriteEcho:
      if (++address_ >= kMemorySize) {
        state_ = State::Listen;
        return;
      }
      crc_ = address_;  // the new address is loaded into the CRC generator, not shifted in
      state_ = State::WriteData;
      return;
    case State::ConvertMask:
      mask_ = b;
      state_ = State::ConvertControl;
      return;
    case State::ConvertControl: {
      control_ = b;
      const uint8_t head[3] = {kConvert, mask_, control_};
      uint16_t crc = Crc16(head, 3);
      if (CorruptCrc()) crc ^= 0x0101;
      out_len_ = 0;
      PutCrc(out_, out_len_, crc);
      out_pos_ = 0;
      state_ = State::ConvertCrc1;
      return;
    }
    case State::ConvertCrc1:
      ++out_pos_;
      state_ = State::ConvertCrc2;
      return;
    case State::ConvertCrc2: {
      // The conversion starts once the CRC has been sent.
      Update();
      for (int ch = 0; ch < 4; ++ch) {
        if (!(mask_ & (1 << ch))) continue;
        const int preset = (control_ >> (2 * ch)) & 3;
        if (preset == 1 || preset == 2) {
          const uint8_t fill = preset == 1 ? 0x00 : 0xFF;
          memory_[2 * ch] = memory_[2 * ch + 1] = fill;
        }
      }
      uint32_t us = 0;
      for (int ch = 0; ch < 4; ++ch) {
        if (!(mask_ & (1 << ch))) continue;
        const int rc = memory_[kControlPage + 2 * ch] & 0x0F;
        us += 80 * static_cast<uint32_t>(rc == 0 ? 16 : rc) + 160;
      }
      conv_mask_ = mask_;
      conv_ms_ = (us + 999) / 1000;
      conv_start_ = clock().Ticks();
      converting_ = true;
      state_ = State::Busy;
      return;
    }
    default:
      return;
  }
}

}  // namespace wm033::onewire::sim
