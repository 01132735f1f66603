#include "onewire/sim/ds2480b_emulator.h"

#include <algorithm>

#include "onewire/link.h"

namespace wm033::onewire::sim {

namespace {

constexpr uint8_t kDataModeCode = 0xE1;
constexpr uint8_t kCommandModeCode = 0xE3;  // in data mode: leave it, or (twice) the data byte E3
constexpr uint8_t kStopPulseCode = 0xF1;

constexpr uint8_t kCommunication = 0x80;  // bit 7: communication command, else configuration
constexpr uint8_t kFunctionMask = 0x60;
constexpr uint8_t kSingleBit = 0x00;
constexpr uint8_t kSearchControl = 0x20;
constexpr uint8_t kResetFunction = 0x40;
constexpr uint8_t kPulseFunction = 0x60;
constexpr uint8_t kSpeedMask = 0x0C;
constexpr uint8_t kPulseSpeedBits = 0x0C;  // a pulse command has 11 where the speed would be
constexpr uint8_t kValueBit = 0x10;        // bit value / accelerator on / 12 V pulse
constexpr uint8_t kStrongBit = 0x02;       // pull-up after a single bit / arm

constexpr uint8_t kResetReply = 0xC0;
constexpr uint8_t kVppPresent = 0x20;
constexpr uint8_t kRevision = 3;  // bits 4-2 of the reset reply
constexpr uint8_t kShorted = 0, kPresence = 1, kAlarmPresence = 2, kNoPresence = 3;

constexpr uint8_t kBitPullUpEnd = 0xEC;  // | 3 when the bit read 1
constexpr uint8_t kByteArmedEndHigh = 0xF6;
constexpr uint8_t kByteArmedEndLow = 0x76;

WireSpeed SpeedOf(uint8_t command) {
  switch ((command & kSpeedMask) >> 2) {
    case 1:
      return WireSpeed::Flexible;
    case 2:
      return WireSpeed::Overdrive;
    default:
      return WireSpeed::Standard;
  }
}

}  // namespace

void Ds2480bEmulator::PowerOn() {
  config_.PowerOn();
  powered_ = true;
  calibrated_ = false;
  data_mode_ = e3_seen_ = accelerator_ = armed_ = false;
  speed_ = WireSpeed::Standard;
  pulse_ = {};
  waiting_.reset();
  busy_until_ = 0;
}

void Ds2480bEmulator::Receive(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out) {
  if (!powered_) return;
  Advance(at_us, out);
  if (pulse_.active && pulse_.stoppable && byte == kStopPulseCode) {
    EndPulse(at_us, out);
    Advance(at_us, out);
    return;
  }
  if (!waiting_ && !pulse_.active && busy_until_ <= at_us) {
    Start(byte, at_us, out);
    Advance(at_us, out);
    return;
  }
  if (!waiting_) {
    waiting_ = Waiting{byte, at_us};
    return;
  }
  ++overruns_;
}

void Ds2480bEmulator::Advance(int64_t now_us, std::vector<ChipOutput>& out) {
  if (!powered_) return;
  for (;;) {
    if (pulse_.active) {
      if (pulse_.end_us > now_us) return;
      EndPulse(pulse_.end_us, out);
      continue;
    }
    if (waiting_ && busy_until_ <= now_us) {
      const Waiting w = *waiting_;
      waiting_.reset();
      Start(w.byte, std::max(busy_until_, w.at_us), out);
      continue;
    }
    return;
  }
}

int64_t Ds2480bEmulator::NextEventUs() const {
  if (!powered_) return kForeverUs;
  if (pulse_.active) return pulse_.end_us;
  if (waiting_) return std::max(busy_until_, waiting_->at_us);
  return kForeverUs;
}

void Ds2480bEmulator::Start(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out) {
  busy_until_ = at_us;
  if (!calibrated_) {  // the timing byte
    calibrated_ = true;
    return;
  }
  int64_t took = 0;
  if (!data_mode_) {
    took = Command(byte, at_us, out);
  } else if (e3_seen_) {
    e3_seen_ = false;
    if (byte == kCommandModeCode) {
      took = DataByte(byte, at_us, out);
    } else {
      data_mode_ = false;
      took = Command(byte, at_us, out);
    }
  } else if (byte == kCommandModeCode) {
    e3_seen_ = true;
  } else {
    took = DataByte(byte, at_us, out);
  }
  if (!pulse_.active) busy_until_ = at_us + took;
}

int64_t Ds2480bEmulator::Command(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out) {
  if ((byte & 0x01) == 0) {
    ++ignored_;
    return 0;
  }
  if ((byte & kCommunication) == 0) {
    Emit(at_us, config_.Apply(byte), out);  // a new baud rate answers at the new rate
    return 0;
  }
  switch (byte & kFunctionMask) {
    case kSingleBit: {
      speed_ = SpeedOf(byte);
      const int bit = (byte & kValueBit) ? 1 : 0;
      const int read = BusBit(bit);
      const int64_t took = Us(config_.SlotUs(speed_, bit));
      const uint8_t bits = read ? 0x03 : 0x00;
      Emit(at_us + took, static_cast<uint8_t>((byte & 0xFC) | bits), out);
      if (byte & kStrongBit)
        StartPulse(at_us + took, Us(config_.StrongPullUpUs()), true,
                   static_cast<uint8_t>(kBitPullUpEnd | bits));
      return took;
    }
    case kSearchControl:
      speed_ = SpeedOf(byte);
      accelerator_ = (byte & kValueBit) != 0;
      return 0;
    case kResetFunction: {
      speed_ = SpeedOf(byte);
      const int r = BusReset();
      const uint8_t code = r == kResetShort      ? kShorted
                           : r == kResetPresence ? kPresence
                           : r == kResetAlarm    ? kAlarmPresence
                                                 : kNoPresence;
      const int64_t took = Us(config_.ResetUs(speed_));
      Emit(at_us + took,
           static_cast<uint8_t>(kResetReply | (vpp_ ? kVppPresent : 0) | (kRevision << 2) | code),
           out);
      return took;
    }
    default:  // kPulseFunction
      if ((byte & kSpeedMask) != kPulseSpeedBits) {
        if (byte == kDataModeCode)
          data_mode_ = true;
        else if (byte != kCommandModeCode && byte != kStopPulseCode)
          ++ignored_;
        return 0;
      }
      armed_ = (byte & kStrongBit) != 0;
      StartPulse(at_us, Us((byte & kValueBit) ? config_.ProgPulseUs() : config_.StrongPullUpUs()),
                 true, static_cast<uint8_t>(byte & 0xFC));
      return 0;
  }
}

int64_t Ds2480bEmulator::DataByte(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out) {
  if (accelerator_) return SearchByte(byte, at_us, out);
  uint8_t read = 0;
  int64_t took = 0;
  for (int i = 0; i < 8; ++i) {
    const int bit = (byte >> i) & 1;
    if (BusBit(bit)) read |= static_cast<uint8_t>(1 << i);
    took += config_.SlotUs(speed_, bit);
  }
  took = Us(took);
  Emit(at_us + took, read, out);
  if (armed_)
    StartPulse(at_us + took, Us(config_.StrongPullUpUs()), false,
               (read & 0x80) ? kByteArmedEndHigh : kByteArmedEndLow);
  return took;
}

int64_t Ds2480bEmulator::SearchByte(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out) {
  uint8_t reply = 0;
  int64_t took = 0;
  for (int i = 0; i < 4; ++i) {
    const int direction = (byte >> (2 * i + 1)) & 1;
    const int id = BusBit(1);
    const int complement = BusBit(1);
    int chosen, flag;
    if (id != complement) {
      chosen = id;
      flag = 0;
    } else {
      chosen = id == 0 ? direction : 1;
      flag = 1;
    }
    BusBit(chosen);
    took += 2 * config_.SlotUs(speed_, 1) + config_.SlotUs(speed_, chosen);
    reply |= static_cast<uint8_t>((flag << (2 * i)) | (chosen << (2 * i + 1)));
  }
  took = Us(took);
  Emit(at_us + took, reply, out);
  return took;
}

void Ds2480bEmulator::StartPulse(int64_t begin_us, int64_t length_us, bool stoppable,
                                 uint8_t reply) {
  pulse_.active = true;
  pulse_.stoppable = stoppable;
  pulse_.end_us = length_us == kForeverUs ? kForeverUs : begin_us + length_us;
  pulse_.reply = reply;
  busy_until_ = pulse_.end_us;
}

void Ds2480bEmulator::EndPulse(int64_t at_us, std::vector<ChipOutput>& out) {
  pulse_.active = false;
  busy_until_ = at_us;
  Emit(at_us, pulse_.reply, out);
}

void Ds2480bEmulator::Emit(int64_t at_us, uint8_t byte, std::vector<ChipOutput>& out) const {
  out.push_back(ChipOutput{at_us, byte, config_.baud()});
}

int Ds2480bEmulator::BusReset() {
  ++resets_;
  if (speed_ == WireSpeed::Overdrive) return bus_.shorted() ? kResetShort : kResetNoPresence;
  return bus_.Reset();
}

int Ds2480bEmulator::BusBit(int bit) {
  ++slots_;
  if (speed_ == WireSpeed::Overdrive) return bus_.shorted() ? 0 : bit;
  return bus_.TouchBit(bit);
}

}  // namespace wm033::onewire::sim
