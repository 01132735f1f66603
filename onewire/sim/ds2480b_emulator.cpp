#include "onewire/sim/ds2480b_emulator.h"

#include "onewire/adapters/ds2480b_codes.h"
#include "onewire/link.h"

namespace wm033::onewire::sim {

using namespace ds2480b;

namespace {
// Flexible-speed time slots as our configuration sets them up.
constexpr int kResetUs = 1100;
constexpr int kSlotUs = 70;
}  // namespace

void Ds2480bEmulator::Break() {
  calibrated_ = false;
  data_mode_ = e3_pending_ = accelerator_ = false;
  pulse_running_ = pulse_armed_ = false;
  params_ = {};
}

int Ds2480bEmulator::baud() const {
  return BaudOfCode(params_[kParamBaud]);
}

int Ds2480bEmulator::Feed(uint8_t byte, std::vector<uint8_t>& reply) {
  if (!calibrated_) {
    // The first byte after power-on or a break times our bit length; it is not executed.
    calibrated_ = true;
    return 0;
  }
  if (!data_mode_) return Command(byte, reply);
  if (e3_pending_) {
    e3_pending_ = false;
    if (byte == kModeCommand) return Data(byte, reply);
    data_mode_ = false;
    return Command(byte, reply);
  }
  if (byte == kModeCommand) {
    e3_pending_ = true;
    return 0;
  }
  return Data(byte, reply);
}

int Ds2480bEmulator::Command(uint8_t byte, std::vector<uint8_t>& reply) {
  if (byte == kModeData) {
    data_mode_ = true;
    return 0;
  }
  if (byte == kStopPulse) {
    if (pulse_running_) reply.push_back(kPulseNow & 0xFC);
    pulse_running_ = pulse_armed_ = false;
    return 0;
  }
  if ((byte & 0x01) == 0 || byte == kModeCommand) {
    ++ignored_;
    return 0;
  }
  pulse_running_ = false;  // anything else ends a pulse
  if ((byte & 0x80) == 0) {
    const int param = (byte >> 4) & 7;
    if (param == kParamRead) {
      reply.push_back(ConfigReadReply(params_[(byte >> 1) & 7]));
    } else {
      params_[param] = static_cast<uint8_t>((byte >> 1) & 7);
      reply.push_back(ConfigWriteReply(byte));
    }
    return 0;
  }
  switch (byte & kFuncMask) {
    case kFuncBit: {
      const int bit = bus_.TouchBit((byte & kBitOne) ? 1 : 0);
      reply.push_back(static_cast<uint8_t>((byte & 0xFC) | (bit > 0 ? 0x03 : 0x00)));
      return kSlotUs;
    }
    case kFuncSearchOff:
    case kFuncSearchOn:
      accelerator_ = (byte & kBitOne) != 0;
      return 0;
    case kFuncReset: {
      pulse_armed_ = false;
      const int r = bus_.Reset();
      const uint8_t code = r == kResetShort               ? kResetShorted
                           : r == onewire::kResetPresence ? ds2480b::kResetPresence
                           : r == onewire::kResetAlarm    ? ds2480b::kResetAlarm
                                                          : kResetNone;
      reply.push_back(static_cast<uint8_t>(kResetReplyTop | kResetRevision | code));
      return kResetUs;
    }
    default:                                              // kFuncPulse
      if ((byte & kSpeedPulse) != kSpeedPulse) return 0;  // a speed change: we keep ours
      if (byte & kPulseArm)
        pulse_armed_ = true;
      else
        pulse_running_ = true;
      return 0;
  }
}

int Ds2480bEmulator::Data(uint8_t byte, std::vector<uint8_t>& reply) {
  if (accelerator_) return AcceleratedByte(byte, reply);
  pulse_running_ = false;
  const int r = bus_.TouchByte(byte);
  reply.push_back(static_cast<uint8_t>(r < 0 ? 0 : r));
  if (pulse_armed_) {
    pulse_armed_ = false;
    pulse_running_ = true;
  }
  return 8 * kSlotUs;
}

// Four ROM bit positions: read the bit and its complement, take the chips' bit where they
// agree and our direction where they differ, write it; reply the chosen bit and a discrepancy
// flag for each.
int Ds2480bEmulator::AcceleratedByte(uint8_t byte, std::vector<uint8_t>& reply) {
  uint8_t out = 0;
  for (int i = 0; i < 4; ++i) {
    const int dir = (byte >> (2 * i + 1)) & 1;
    const int id = bus_.TouchBit(1);
    const int cmp = bus_.TouchBit(1);
    int chosen, discrepancy;
    if (id == cmp) {
      chosen = id == 0 ? dir : 1;
      discrepancy = 1;
    } else {
      chosen = id;
      discrepancy = 0;
    }
    bus_.TouchBit(chosen);
    out |= static_cast<uint8_t>((discrepancy << (2 * i)) | (chosen << (2 * i + 1)));
  }
  reply.push_back(out);
  return 12 * kSlotUs;
}

}  // namespace wm033::onewire::sim
