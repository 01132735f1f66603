#include "onewire/adapters/ds2480b.h"

#include <chrono>
#include <thread>

#include "onewire/adapters/ds2480b_codes.h"

namespace wm033::onewire {

using namespace ds2480b;

namespace {
constexpr uint8_t kSearchRomCmd = 0xF0;
constexpr int kReplySlackMs = 60;  // a reply later than its bytes' time and this is lost
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

void AppendData(std::vector<uint8_t>& out, uint8_t byte) {
  out.push_back(byte);
  if (byte == kModeCommand) out.push_back(byte);
}

int ResetResultOf(uint8_t reply) {
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

Ds2480bLink::Ds2480bLink(SerialOpener opener, std::function<void(const std::string&)> notify,
                         int fast_baud)
    : opener_(std::move(opener)), loss_(std::move(notify)), fast_baud_(fast_baud) {}

bool Ds2480bLink::Open(std::string& error) {
  port_.reset();
  if (!opener_) {
    error = "no serial port to open";
    return false;
  }
  port_ = opener_(error);
  if (!port_) return false;
  if (!Detect(error)) {
    port_.reset();
    return false;
  }
  if (fast_baud_ > 9600) TryFastBaud();
  return true;
}

int Ds2480bLink::TimeoutMs(size_t out, size_t in) const {
  const int baud = port_ ? port_->baud() : 9600;
  const size_t bits = (out + in) * 10;
  return kReplySlackMs + static_cast<int>(bits * 1000 / static_cast<size_t>(baud)) + 1;
}

// Break, timing byte, configuration, and the read-backs that prove the chip is there.
bool Ds2480bLink::Detect(std::string& error) {
  mode_ = Mode::Command;
  pulse_running_ = pulse_armed_ = false;
  port_->SetBaud(9600);
  port_->SendBreak();
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  port_->Flush();
  const uint8_t timing = kReset;
  if (!port_->Write(&timing, 1)) {
    error = "the serial port failed while the adapter was reset";
    return false;
  }
  port_->Drain();
  std::this_thread::sleep_for(std::chrono::milliseconds(4));
  const std::vector<uint8_t> setup = {
      ConfigWrite(kParamSlew, kSlew1p37), ConfigWrite(kParamWrite1Low, kWrite1Low10us),
      ConfigWrite(kParamSampleOffset, kSampleOffset8us), ConfigRead(kParamBaud),
      static_cast<uint8_t>(kBitBase | kBitOne)};
  uint8_t r[5] = {};
  const int got =
      port_->Write(setup.data(), setup.size()) ? port_->Read(r, 5, TimeoutMs(setup.size(), 5)) : -1;
  if (got != 5) {
    error = got < 0 ? "the serial port failed while the adapter was detected"
                    : "no DS2480B adapter answered on the serial port (no reply to its "
                      "configuration): check that a DS9097U is plugged in and powered";
    return false;
  }
  const bool ok = r[0] == ConfigWriteReply(setup[0]) && r[1] == ConfigWriteReply(setup[1]) &&
                  r[2] == ConfigWriteReply(setup[2]) && r[3] == ConfigReadReply(kBaud9600) &&
                  (r[4] & 0xFC) == (setup[4] & 0xFC);
  if (!ok) {
    error = "the device on the serial port does not answer as a DS2480B adapter does";
    return false;
  }
  return true;
}

// A higher baud rate, kept only when the chip answers a read-back at it.
bool Ds2480bLink::TryFastBaud() {
  const uint8_t code = fast_baud_ >= 115200  ? kBaud115200
                       : fast_baud_ >= 57600 ? kBaud57600
                                             : kBaud19200;
  const uint8_t cmd = ConfigWrite(kParamBaud, code);
  if (!port_->Write(&cmd, 1)) return false;
  port_->Drain();
  port_->SetBaud(BaudOfCode(code));
  uint8_t junk;
  port_->Read(&junk, 1, 20);  // the answer comes at the new rate and may be garbled
  const uint8_t check = ConfigRead(kParamBaud);
  uint8_t r = 0;
  if (port_->Write(&check, 1) && port_->Read(&r, 1, TimeoutMs(1, 1)) == 1 &&
      r == ConfigReadReply(code))
    return true;
  std::string error;
  if (!Detect(error)) port_.reset();
  return false;
}

int Ds2480bLink::Fail(const std::string& why) {
  std::string error;
  if (port_ && Detect(error)) return kLinkFailed;  // back in step; this operation is lost
  port_.reset();
  loss_.Lost("The DS2480B 1-Wire adapter stopped answering (" + why + (error.empty() ? "" : "; ") +
             error + "): check its cable and power; we try again at every session start.");
  return kLinkFailed;
}

bool Ds2480bLink::Exchange(const std::vector<uint8_t>& out, uint8_t* reply, size_t n) {
  if (!port_) return false;
  if (!port_->Write(out.data(), out.size())) return false;
  if (n == 0) return true;
  const int got = port_->Read(reply, n, TimeoutMs(out.size(), n));
  return got == static_cast<int>(n);
}

void Ds2480bLink::ToCommand(std::vector<uint8_t>& out) {
  if (mode_ == Mode::Data) out.push_back(kModeCommand);
  mode_ = Mode::Command;
}

bool Ds2480bLink::EndPulse() {
  if (!pulse_running_ && !pulse_armed_) return true;
  std::vector<uint8_t> out;
  ToCommand(out);
  out.push_back(kStopPulse);
  const bool running = pulse_running_;
  pulse_running_ = pulse_armed_ = false;
  uint8_t r = 0;
  if (!Exchange(out, &r, running ? 1 : 0)) return false;
  return !running || (r & kPulseReplyMask) == kPulseReplyTop;
}

void Ds2480bLink::OnSessionStart() {
  if (port_) return;
  std::string error;
  const bool ok = Open(error);
  loss_.Reopened(ok, error);
}

int Ds2480bLink::Reset() {
  if (!port_) return kLinkFailed;
  if (!EndPulse()) return Fail("no answer when a strong pull-up ended");
  std::vector<uint8_t> out;
  ToCommand(out);
  out.push_back(kReset);
  uint8_t r = 0;
  if (!Exchange(out, &r, 1)) return Fail("no answer to a reset");
  const int result = ResetResultOf(r);
  if (result < 0) return Fail("a garbled answer to a reset");
  return result;
}

int Ds2480bLink::TouchBit(int bit) {
  if (!port_) return kLinkFailed;
  if (!EndPulse()) return Fail("no answer when a strong pull-up ended");
  std::vector<uint8_t> out;
  ToCommand(out);
  const uint8_t cmd = static_cast<uint8_t>(kBitBase | (bit ? kBitOne : 0));
  out.push_back(cmd);
  uint8_t r = 0;
  if (!Exchange(out, &r, 1)) return Fail("no answer to a bit");
  if ((r & kBitReplyMask) != kBitReplyTop || (bit == 0 && (r & 0x03) != 0))
    return Fail("a garbled answer to a bit");
  return (r & 0x03) == 0x03 ? 1 : 0;
}

int Ds2480bLink::TouchByte(int byte) {
  if (!port_) return kLinkFailed;
  const bool armed = pulse_armed_;
  if (pulse_running_ && !EndPulse()) return Fail("no answer when a strong pull-up ended");
  std::vector<uint8_t> out;
  if (mode_ != Mode::Data) out.push_back(kModeData);
  mode_ = Mode::Data;
  const uint8_t b = static_cast<uint8_t>(byte);
  AppendData(out, b);
  uint8_t r = 0;
  if (!Exchange(out, &r, 1)) return Fail("no answer to a byte");
  // The bus can only pull ones down: a one where we sent a zero is not an echo.
  if ((r & ~b) != 0) return Fail("a garbled answer to a byte");
  if (armed) {
    pulse_armed_ = false;
    pulse_running_ = true;
  }
  return r;
}

int Ds2480bLink::SetLevel(LineLevel level, LevelStart start) {
  if (!port_) return kLinkFailed;
  if (level == LineLevel::Normal) {
    if (!EndPulse()) return Fail("no answer when a strong pull-up ended");
    return 0;
  }
  if (!EndPulse()) return Fail("no answer when a strong pull-up ended");
  std::vector<uint8_t> out;
  ToCommand(out);
  const uint8_t duration = ConfigWrite(kParam5VPulse, kPulseInfinite);
  out.push_back(duration);
  const bool now = start == LevelStart::Now;
  out.push_back(now ? kPulseNow : kPulseAfterByte);
  uint8_t r = 0;
  if (!Exchange(out, &r, 1)) return Fail("no answer when a strong pull-up was set");
  if (r != ConfigWriteReply(duration))
    return Fail("a garbled answer when a strong pull-up was set");
  if (now)
    pulse_running_ = true;
  else
    pulse_armed_ = true;
  return 1;
}

std::optional<int> Ds2480bLink::AccelVerify(const Rom& rom) {
  if (!port_) return kLinkFailed;
  if (!EndPulse()) return Fail("no answer when a strong pull-up ended");
  // Reset, Search ROM in data mode, the accelerator on, the 16 steering bytes, the accelerator
  // off: one write, 18 bytes back.
  std::vector<uint8_t> out;
  ToCommand(out);
  out.push_back(kReset);
  out.push_back(kModeData);
  out.push_back(kSearchRomCmd);
  out.push_back(kModeCommand);
  out.push_back(kSearchOn);
  out.push_back(kModeData);
  for (uint8_t b : AccelRequest(rom)) AppendData(out, b);
  out.push_back(kModeCommand);
  out.push_back(kSearchOff);
  mode_ = Mode::Command;
  uint8_t r[18] = {};
  if (!Exchange(out, r, 18)) return Fail("no answer to a search");
  const int reset = ResetResultOf(r[0]);
  if (reset < 0 || r[1] != kSearchRomCmd) return Fail("a garbled answer to a search");
  if (reset == kResetShort) return -kResetShort;
  if (reset == kResetNoPresence) return 0;
  return AccelReplyMatches(rom, r + 2);
}

}  // namespace wm033::onewire
