// The DS2490's USB side: vendor requests, the command FIFO and its execution over time, the
// status packet and the two data FIFOs. The 1-Wire work of each command is in
// ds2490_commands.cpp.
#include "onewire/sim/ds2490_emulator.h"

#include <algorithm>
#include <climits>

#include "onewire/sim/ds2490_codes.h"

namespace wm033::onewire::sim {

using namespace ds2490;

namespace {

constexpr uint64_t kForever = UINT64_MAX;
constexpr uint64_t kHostTimeoutUs = 1000000;  // a host gives up on EP3 after a second

// Command bytes each communication command takes in the FIFO: two, and its parameters.
int FifoBytes(uint8_t code) {
  switch (code) {
    case kCommBitIo:
    case kCommPulse:
      return 2;
    case kCommSetDuration:
    case kCommReset:
    case kCommByteIo:
      return 3;
    default:
      return 4;
  }
}

// Result bits that are errors, for F: EOS, APP and RDP report what happened, no more.
constexpr uint8_t kErrorBits = kRrNrs | kRrSh | kRrVpp | kRrCmp | kRrCrc;

}  // namespace

Ds2490Emulator::Ds2490Emulator(SimBus& bus, EmulatorClock* clock)
    : bus_(bus), clock_(clock ? clock : &own_clock_) {
  PowerOnReset();
  // The chips on the bus answer the power-up with their presence: a device arrival.
  if (!bus_.chips().empty()) results_.push_back(kRrDetect);
}

void Ds2490Emulator::PowerOnReset() {
  const uint64_t now = clock_->NowUs();
  if (running_ && running_->pulse >= 0) EndPulse(now, true);
  running_.reset();
  enable_ = 0;
  speed_ = 0;
  pullup_duration_ = kDefaultPullUpDuration;
  prog_duration_ = kDefaultProgDuration;
  slew_ = kDefaultSlew;
  write1_low_ = kDefaultWrite1Low;
  sample_offset_ = kDefaultSampleOffset;
  halted_ = ep0_full_ = started_ = false;
  fifo_.clear();
  fifo_bytes_ = 0;
  ep2_.clear();
  ep3_.clear();
  results_.clear();
  bus_free_us_ = now;
}

void Ds2490Emulator::DeviceArrived() {
  results_.push_back(kRrDetect);
}

int Ds2490Emulator::Control(uint8_t request, uint16_t value, uint16_t index) {
  if (unplugged_) return kUsbErrorNoDevice;
  ++transfers_;
  clock_->Spend(frame_us_);
  Advance();
  // With EP0F set the chip drops every setup packet but a device reset.
  if (ep0_full_ && !(request == kControlCmd && value == kCtlResetDevice)) return 0;
  int r = kUsbErrorPipe;
  if (request == kControlCmd) r = ControlCommand(value);
  if (request == kModeCmd) r = ModeCommand(value, index);
  if (request == kCommCmd) r = CommCommand(value, index);
  Advance();
  return r;
}

int Ds2490Emulator::ControlCommand(uint16_t value) {
  const uint64_t now = clock_->NowUs();
  switch (value) {
    case kCtlResetDevice:
      PowerOnReset();
      return 0;
    case kCtlStartExe:
      started_ = true;
      return 0;
    case kCtlResumeExe:
      halted_ = false;
      return 0;
    case kCtlHaltExeIdle:
    case kCtlHaltExeDone:
      // Either one ends a strong pull-up or programming pulse; the command in progress ends
      // with it, and nothing more runs until RESUME EXECUTION.
      if (running_ && running_->pulse >= 0) EndPulse(now, true);
      if (running_ && running_->looping) running_->end_us = now;
      halted_ = true;
      return 0;
    case kCtlFlushCommCmds:  // these three only work while the chip is halted
      if (halted_) {
        fifo_.clear();
        fifo_bytes_ = 0;
      }
      return 0;
    case kCtlFlushRcvBuffer:
      if (halted_) ep3_.clear();
      return 0;
    case kCtlFlushXmtBuffer:
      if (halted_) ep2_.clear();
      return 0;
    default:  // GET COMM CMDS needs a data stage to the host; other codes are not defined
      return kUsbErrorPipe;
  }
}

int Ds2490Emulator::ModeCommand(uint16_t value, uint16_t index) {
  const uint8_t p = static_cast<uint8_t>(index & 0xFF);
  switch (value) {
    case kModPulseEnable:
      enable_ = static_cast<uint8_t>((enable_ & kEnSpce) | ((p & kPulseEnableProg) ? kEnPrge : 0) |
                                     ((p & kPulseEnablePullUp) ? kEnSpue : 0));
      return 0;
    case kModSpeedChangeEnable:
      enable_ = static_cast<uint8_t>(p ? (enable_ | kEnSpce) : (enable_ & ~kEnSpce));
      return 0;
    case kModSpeed:
      speed_ = static_cast<uint8_t>(p & 0x0F);  // 3 to 15 are reserved: timing undefined
      return 0;
    case kModPullUpDuration:
      pullup_duration_ = p;
      return 0;
    case kModPulldownSlewRate:
      slew_ = static_cast<uint8_t>(p & 0x07);
      return 0;
    case kModProgPulseDuration:
      prog_duration_ = p;
      return 0;
    case kModWrite1LowTime:
      write1_low_ = static_cast<uint8_t>(p & 0x07);
      return 0;
    case kModSampleOffset:
      sample_offset_ = static_cast<uint8_t>(p & 0x07);
      return 0;
    default:
      return kUsbErrorPipe;
  }
}

int Ds2490Emulator::CommCommand(uint16_t value, uint16_t index) {
  const uint8_t code = static_cast<uint8_t>((value >> 4) & 0x0F);
  switch (code) {
    case kCommSetDuration:
    case kCommBitIo:
    case kCommPulse:
    case kCommReset:
    case kCommByteIo:
    case kCommMatchAccess:
    case kCommBlockIo:
    case kCommSearchAccess:
      break;
    default:  // not modelled (see the header)
      return kUsbErrorPipe;
  }
  const int bytes = FifoBytes(code);
  if (fifo_bytes_ + bytes > kCommandFifo) {
    ep0_full_ = true;  // the command is lost
    return 0;
  }
  fifo_.push_back({value, index, bytes, clock_->NowUs()});
  fifo_bytes_ += bytes;
  return 0;
}

void Ds2490Emulator::Advance() {
  const uint64_t now = clock_->NowUs();
  for (;;) {
    if (running_) {
      Running& r = *running_;
      if (r.waiting_for_ep2) {
        uint64_t t = std::max(bus_free_us_, now);
        const uint64_t before = t;
        RunBlockBytes(t);
        if (t != before) r.data_us = bus_free_us_ = t;
        if (r.waiting_for_ep2) break;
        r.end_us = r.data_us;
        if (r.cmd.value & kBitSpu) {
          uint64_t end = t;
          if (StartPulse(false, t, end)) r.pulse = static_cast<int>(pulses_.size()) - 1;
          r.end_us = end;
        }
      }
      if (!r.data_published && r.data_us <= now) {
        for (uint8_t b : r.ep3)
          if (static_cast<int>(ep3_.size()) < kFifoBytes) ep3_.push_back(b);
        r.ep3.clear();
        r.data_published = true;
      }
      if (r.data_published && r.end_us <= now) {
        Complete();
        continue;
      }
      break;
    }
    if (halted_ || fifo_.empty()) break;
    const Command c = fifo_.front();
    if (!(c.value & kBitIm) && !started_) break;
    const uint64_t at = std::max(c.queued_us, bus_free_us_);
    if (!Start(c, at)) break;
    fifo_.pop_front();
    fifo_bytes_ -= c.fifo_bytes;
  }
  if (!running_ && fifo_.empty()) started_ = false;
}

void Ds2490Emulator::Complete() {
  Running r = std::move(*running_);
  running_.reset();
  bus_free_us_ = std::max(bus_free_us_, r.end_us == kForever ? r.data_us : r.end_us);
  const uint16_t v = r.cmd.value;
  if (!(v & kBitIcp) && (r.errors != 0 || (v & kBitNtf))) results_.push_back(r.errors);
  if ((r.errors & kErrorBits) && (v & kBitF)) {
    fifo_.clear();
    fifo_bytes_ = 0;
    ep2_.clear();
    ep3_.clear();
  }
}

void Ds2490Emulator::EndPulse(uint64_t at, bool halted) {
  if (!running_ || running_->pulse < 0) return;
  PulseRecord& p = pulses_[static_cast<size_t>(running_->pulse)];
  if (p.end_us > at) {
    p.end_us = std::max(at, p.start_us);
    p.halted = halted;
  }
  running_->end_us = std::min(running_->end_us, p.end_us);
}

bool Ds2490Emulator::PulseActive() {
  Advance();
  const uint64_t now = clock_->NowUs();
  if (!running_ || running_->pulse < 0) return false;
  const PulseRecord& p = pulses_[static_cast<size_t>(running_->pulse)];
  return !p.programming && now >= p.start_us && now < p.end_us;
}

uint8_t Ds2490Emulator::Register(int offset) {
  Advance();
  const uint64_t now = clock_->NowUs();
  switch (offset) {
    case kRegEnable:
      return enable_;
    case kRegSpeed:
      return speed_;
    case kRegPullUpDuration:
      return pullup_duration_;
    case kRegProgDuration:
      return prog_duration_;
    case kRegSlew:
      return slew_;
    case kRegWrite1Low:
      return write1_low_;
    case kRegSampleOffset:
      return sample_offset_;
    case kRegStatus: {
      uint8_t s = 0;
      if (running_ && running_->pulse >= 0) {
        const PulseRecord& p = pulses_[static_cast<size_t>(running_->pulse)];
        if (now >= p.start_us && now < p.end_us) s |= p.programming ? kStPrga : kStSpua;
      }
      if (vpp_) s |= kSt12vp;
      if (halted_) s |= kStHalt;
      if (!running_) s |= kStIdle;
      if (ep0_full_) s |= kStEp0f;
      return s;
    }
    case kRegCommand1:
      return running_ ? static_cast<uint8_t>(running_->cmd.value & 0xFF) : 0;
    case kRegCommand2:
      return running_ ? static_cast<uint8_t>(running_->cmd.value >> 8) : 0;
    case kRegCommandFifo:
      return static_cast<uint8_t>(fifo_bytes_);
    case kRegDataOut:
      return static_cast<uint8_t>(std::min<size_t>(ep2_.size(), 255));
    case kRegDataIn:
      return static_cast<uint8_t>(std::min<size_t>(ep3_.size(), 255));
    default:
      return 0;
  }
}

int Ds2490Emulator::Status(uint8_t* data, size_t n) {
  if (unplugged_) return kUsbErrorNoDevice;
  ++transfers_;
  clock_->Spend(frame_us_);
  Advance();
  uint8_t packet[16 + kMaxResults];
  for (int i = 0; i < 16; ++i) packet[i] = Register(i);
  size_t len = 16;
  while (len < sizeof packet && !results_.empty()) {
    packet[len++] = results_.front();
    results_.pop_front();
  }
  if (n < len) return kUsbErrorOverflow;  // the packet, results and all, is lost
  std::copy(packet, packet + len, data);
  return static_cast<int>(len);
}

int Ds2490Emulator::BulkOut(const uint8_t* data, size_t n) {
  if (unplugged_) return kUsbErrorNoDevice;
  ++transfers_;
  clock_->Spend(frame_us_);
  Advance();
  const size_t room = kFifoBytes - ep2_.size();
  if (room == 0 && n > 0) {
    clock_->Spend(kHostTimeoutUs);  // the chip NAKs until the host gives up
    return kUsbErrorTimeout;
  }
  const size_t k = std::min(n, room);
  ep2_.insert(ep2_.end(), data, data + k);
  Advance();
  return static_cast<int>(k);
}

int Ds2490Emulator::BulkIn(uint8_t* data, size_t n) {
  if (unplugged_) return kUsbErrorNoDevice;
  ++transfers_;
  clock_->Spend(frame_us_);
  Advance();
  if (ep3_.empty()) {
    // The chip NAKs until data comes: from the command on the bus, or never.
    if (running_ && !running_->data_published && !running_->ep3.empty() &&
        running_->data_us != kForever) {
      const uint64_t now = clock_->NowUs();
      if (running_->data_us > now) {
        const uint64_t wait = running_->data_us - now;
        clock_->Spend((wait + frame_us_ - 1) / std::max<uint32_t>(frame_us_, 1) * frame_us_);
      }
      Advance();
    }
    if (ep3_.empty()) {
      clock_->Spend(kHostTimeoutUs);
      Advance();
      return kUsbErrorTimeout;
    }
  }
  // Packets of up to 64 bytes until a short one or the host's buffer is full.
  size_t got = 0;
  while (!ep3_.empty() && got < n) {
    const size_t packet = std::min<size_t>(ep3_.size(), kPacketBytes);
    if (n - got < packet) {
      ep3_.erase(ep3_.begin(), ep3_.begin() + static_cast<long>(packet));  // lost
      return kUsbErrorOverflow;
    }
    for (size_t i = 0; i < packet; ++i) {
      data[got++] = ep3_.front();
      ep3_.pop_front();
    }
    if (packet < static_cast<size_t>(kPacketBytes)) break;
  }
  return static_cast<int>(got);
}

}  // namespace wm033::onewire::sim
