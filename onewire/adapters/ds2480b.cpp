#include "onewire/adapters/ds2480b.h"

#include <algorithm>

#include "onewire/adapters/ds2480b_codes.h"

namespace wm033::onewire {

using namespace ds2480b;

namespace {
constexpr uint8_t kSearchRomCmd = 0xF0;
constexpr int kReplySlackMs = 60;  // a reply later than its bytes' time and this is lost
constexpr int kByteBusUs = 8 * kSlotUs;
constexpr int kSearchByteBusUs = 12 * kSlotUs;
// The chip's time base is good to 5 %; the host's writes have gaps of their own.
constexpr double kBurstMargin = 1.15;

bool PulseEndValid(uint8_t reply) {
  return (reply & kPulseEndMask) == kPulseEnd;
}
}  // namespace

std::vector<uint8_t> AccelRequest(const Rom& rom) {
  std::vector<uint8_t> out(16, 0);
  for (int n = 0; n < 64; ++n) {
    if ((rom[n / 8] >> (n % 8)) & 1) {
      const int at = 2 * n + 1;
      out[at / 8] |= static_cast<uint8_t>(1 << (at % 8));
    }
  }
  return out;
}

int AccelReplyMatches(const Rom& rom, const uint8_t* reply16) {
  for (int n = 0; n < 64; ++n) {
    const int at = 2 * n + 1;
    const int chosen = (reply16[at / 8] >> (at % 8)) & 1;
    if (chosen != ((rom[n / 8] >> (n % 8)) & 1)) return 0;
  }
  return 1;
}

int ResetResultOf(uint8_t reply) {
  // Bit 5 (the 12 V supply) and bits 4-2 (the revision) may be anything.
  if ((reply & kResetReplyMask) != kResetReplyTop) return kLinkFailed;
  switch (reply & 0x03) {
    case kResetShorted:
      return kResetShort;
    case ds2480b::kResetPresence:
      return onewire::kResetPresence;
    case ds2480b::kResetAlarm:
      return onewire::kResetAlarm;
    default:
      return kResetNoPresence;
  }
}

bool BitReplyValid(uint8_t command, uint8_t reply) {
  if ((reply & kBitReplyMask) != (command & kBitReplyMask)) return false;
  const uint8_t bits = reply & 0x03;
  if (bits != 0x00 && bits != 0x03) return false;  // both bits carry the same value
  return (command & kBitOne) || bits == 0x00;      // a slot writing 0 cannot read 1
}

size_t BurstLength(const std::vector<int>& bus_us, int baud) {
  if (baud <= 0) return bus_us.empty() ? 0 : 1;
  const double char_us = 10e6 / baud;
  double busy_until = 0;
  bool waiting = false;
  double waiting_at = 0, waiting_us = 0;
  for (size_t k = 0; k < bus_us.size(); ++k) {
    const double arrives = static_cast<double>(k + 1) * char_us;
    if (waiting && busy_until <= arrives) {
      busy_until = std::max(busy_until, waiting_at) + waiting_us;
      waiting = false;
    }
    if (!waiting && busy_until <= arrives) {
      busy_until = arrives + bus_us[k] * kBurstMargin;
    } else if (!waiting) {
      waiting = true;
      waiting_at = arrives;
      waiting_us = bus_us[k] * kBurstMargin;
    } else {
      return std::max<size_t>(k, 1);
    }
  }
  return bus_us.size();
}

int Ds2480bLink::TimeoutMs(size_t out, size_t in, int bus_us) const {
  const int baud = port_ ? port_->baud() : 9600;
  const size_t bits = (out + in) * 10;
  return kReplySlackMs + static_cast<int>(bits * 1000 / static_cast<size_t>(baud)) + bus_us / 1000 +
         1;
}

size_t Ds2480bLink::ToCommand(Steps& steps) {
  if (mode_ == Mode::Data) steps.push_back({kModeCommand, 0, 0});
  mode_ = Mode::Command;
  if (!pulse_running_) return 0;
  steps.push_back({kStopPulse, 0, 1});  // the pull-up ends and answers
  pulse_running_ = false;
  return 1;
}

void Ds2480bLink::ToData(Steps& steps) {
  if (mode_ != Mode::Data) steps.push_back({kModeData, 0, 0});
  mode_ = Mode::Data;
}

bool Ds2480bLink::Send(const Steps& steps, uint8_t* reply) {
  size_t at = 0, got = 0;
  std::vector<int> costs;
  std::vector<uint8_t> out;
  while (at < steps.size()) {
    costs.clear();
    for (size_t i = at; i < steps.size(); ++i) costs.push_back(steps[i].bus_us);
    const size_t n = BurstLength(costs, port_->baud());
    out.clear();
    size_t replies = 0;
    int bus_us = 0;
    for (size_t i = at; i < at + n; ++i) {
      out.push_back(steps[i].byte);
      replies += static_cast<size_t>(steps[i].replies);
      bus_us += steps[i].bus_us;
    }
    at += n;
    port_->DiscardInput();  // nothing is due between exchanges: a stray byte must not count
    if (!port_->Write(out.data(), out.size())) return false;
    if (replies == 0) continue;
    const int r = port_->Read(reply + got, replies, TimeoutMs(out.size(), replies, bus_us));
    if (r != static_cast<int>(replies)) return false;
    got += replies;
  }
  return true;
}

void Ds2480bLink::OnSessionStart() {
  if (port_) return;
  std::string error;
  const bool ok = Open(error);
  loss_.Reopened(ok, error);
}

int Ds2480bLink::ResetOnce(Reply& reply) {
  Steps s;
  const size_t pre = ToCommand(s);
  s.push_back({kReset, kResetUs, 1});
  uint8_t r[2] = {};
  reply = Reply::Bad;
  if (!Send(s, r)) return kLinkFailed;
  if (pre && !PulseEndValid(r[0])) return kLinkFailed;
  const int result = ResetResultOf(r[pre]);
  if (result < 0) return kLinkFailed;
  vpp_ = (r[pre] & kResetVpp) != 0;
  reply = Reply::Ok;
  return result;
}

int Ds2480bLink::Reset() {
  if (!port_) return kLinkFailed;
  for (int attempt = 0; attempt < 2; ++attempt) {
    Reply reply;
    const int r = ResetOnce(reply);
    if (reply == Reply::Ok) return r;
    if (!Resync("no good answer to a reset")) return kLinkFailed;
  }
  return kLinkFailed;
}

int Ds2480bLink::TouchBit(int bit) {
  if (!port_) return kLinkFailed;
  Steps s;
  const size_t pre = ToCommand(s);
  const uint8_t cmd = static_cast<uint8_t>(kBitBase | (bit ? kBitOne : 0));
  s.push_back({cmd, kSlotUs, 1});
  uint8_t r[2] = {};
  if (!Send(s, r) || (pre && !PulseEndValid(r[0])) || !BitReplyValid(cmd, r[pre])) {
    Resync("no good answer to a bit");
    return kLinkFailed;
  }
  return (r[pre] & 0x03) ? 1 : 0;
}

int Ds2480bLink::TouchByte(int byte) {
  if (!port_) return kLinkFailed;
  const uint8_t b = static_cast<uint8_t>(byte);
  if (primed_) {
    primed_ = false;
    return PowerByte(b);
  }
  Steps s;
  const size_t pre = pulse_running_ ? ToCommand(s) : 0;
  ToData(s);
  if (b == kModeCommand) s.push_back({b, 0, 0});
  s.push_back({b, kByteBusUs, 1});
  uint8_t r[2] = {};
  // The bus can only pull ones down: a one where we sent a zero is no echo.
  if (!Send(s, r) || (pre && !PulseEndValid(r[0])) || (r[pre] & ~b) != 0) {
    Resync("no good answer to a byte");
    return kLinkFailed;
  }
  return r[pre];
}

// A byte followed by a strong pull-up: eight single bits in command mode, the last one with its
// pull-up, which runs until F1 ends it.
int Ds2480bLink::PowerByte(uint8_t byte) {
  Steps s;
  const size_t pre = ToCommand(s);
  uint8_t cmd[8];
  for (int i = 0; i < 8; ++i) {
    cmd[i] = static_cast<uint8_t>(kBitBase | (((byte >> i) & 1) ? kBitOne : 0) |
                                  (i == 7 ? kStrongPullUp : 0));
    s.push_back({cmd[i], kSlotUs, 1});
  }
  uint8_t r[9] = {};
  bool ok = Send(s, r) && (!pre || PulseEndValid(r[0]));
  int read = 0;
  for (int i = 0; ok && i < 8; ++i) {
    ok = BitReplyValid(cmd[i], r[pre + i]);
    if (r[pre + i] & 0x03) read |= 1 << i;
  }
  if (!ok) {
    Resync("no good answer to a byte with a strong pull-up");
    return kLinkFailed;
  }
  pulse_running_ = true;
  return read;
}

int Ds2480bLink::SetLevel(LineLevel level, LevelStart start) {
  if (!port_) return kLinkFailed;
  if (level == LineLevel::Normal) {
    primed_ = false;
    if (!pulse_running_) return 0;
    Steps s;
    ToCommand(s);
    uint8_t r = 0;
    if (!Send(s, &r) || !PulseEndValid(r)) {
      // Detected again, the chip has no pull-up running either.
      return Resync("no good answer when a strong pull-up ended") ? 0 : kLinkFailed;
    }
    return 0;
  }
  if (start == LevelStart::AfterNextByte) {
    primed_ = true;
    return 1;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    Steps s;
    const size_t pre = ToCommand(s);
    s.push_back({kPulseNow, 0, 0});  // answers only when it ends
    uint8_t r = 0;
    if (Send(s, &r) && (!pre || PulseEndValid(r))) {
      pulse_running_ = true;
      return 1;
    }
    if (!Resync("no good answer when a strong pull-up was set")) return kLinkFailed;
  }
  return kLinkFailed;
}

int Ds2480bLink::VerifyOnce(const Rom& rom, Reply& reply) {
  // Reset, Search ROM in data mode, the accelerator on, the 16 steering bytes, the accelerator
  // off: 18 replies after the end of a running pull-up.
  Steps s;
  const size_t pre = ToCommand(s);
  s.push_back({kReset, kResetUs, 1});
  s.push_back({kModeData, 0, 0});
  s.push_back({kSearchRomCmd, kByteBusUs, 1});
  s.push_back({kModeCommand, 0, 0});
  s.push_back({kSearchOn, 0, 0});
  s.push_back({kModeData, 0, 0});
  for (uint8_t b : AccelRequest(rom)) {
    if (b == kModeCommand) s.push_back({b, 0, 0});
    s.push_back({b, kSearchByteBusUs, 1});
  }
  s.push_back({kModeCommand, 0, 0});
  s.push_back({kSearchOff, 0, 0});
  mode_ = Mode::Command;
  uint8_t r[19] = {};
  reply = Reply::Bad;
  if (!Send(s, r) || (pre && !PulseEndValid(r[0]))) return kLinkFailed;
  const uint8_t* a = r + pre;
  const int reset = ResetResultOf(a[0]);
  if (reset < 0 || (a[1] & ~kSearchRomCmd) != 0) return kLinkFailed;
  reply = Reply::Ok;
  vpp_ = (a[0] & kResetVpp) != 0;
  if (reset == kResetShort) return -kResetShort;
  if (reset == kResetNoPresence || a[1] != kSearchRomCmd) return 0;
  return AccelReplyMatches(rom, a + 2);
}

std::optional<int> Ds2480bLink::AccelVerify(const Rom& rom) {
  if (!port_) return kLinkFailed;
  for (int attempt = 0; attempt < 2; ++attempt) {
    Reply reply;
    const int r = VerifyOnce(rom, reply);
    if (reply == Reply::Ok) return r;
    if (!Resync("no good answer to a search")) return kLinkFailed;
  }
  return kLinkFailed;
}

}  // namespace wm033::onewire
