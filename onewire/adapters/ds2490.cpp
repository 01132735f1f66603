#include "onewire/adapters/ds2490.h"

namespace wm033::onewire {

using namespace ds2490;

namespace {
constexpr int kMaxPolls = 1000;       // status packets come once a 1 ms frame: about a second
constexpr int kMaxBadPackets = 8;     // failed or short status packets in a row
constexpr int kResultGracePolls = 3;  // idle packets to wait for a result that is due
constexpr int kPullUpEndPolls = 300;  // about 300 ms for a strong pull-up to end
constexpr size_t kPacket = 64;        // a status or bulk packet
constexpr int kStateBytes = 16;       // state registers at the head of a status packet
constexpr uint8_t kResetResultBits = kRrNoPresence | kRrShort | kRrAlarm;
}  // namespace

Ds2490Link::Ds2490Link(UsbOpener opener, std::function<void(const std::string&)> notify)
    : opener_(std::move(opener)), loss_(std::move(notify)) {}

bool Ds2490Link::Open(std::string& error) {
  usb_ = opener_ ? opener_(error) : nullptr;
  if (!usb_) return false;
  armed_ = pull_up_ = false;
  if (!SetUp() && (!usb_ || !SetUp())) {
    error = "the DS9490 USB adapter did not accept its set-up";
    usb_.reset();
    return false;
  }
  return true;
}

// Device reset (the power-on state, every FIFO empty), then strong pull-ups enabled with an
// infinite duration and regular speed; the state registers must then show them.
bool Ds2490Link::SetUp() {
  if (usb_->Control(kControlCmd, kCtlResetDevice, 0) < 0 ||
      usb_->Control(kModeCmd, kModPulseEnable, kPulseSpue) < 0 ||
      usb_->Control(kModeCmd, kModStrongPullUpDuration, kPullUpInfinite) < 0 ||
      usb_->Control(kModeCmd, kModSpeed, kSpeedNormal) < 0)
    return false;
  // A packet from before the set-up may still come first.
  uint8_t st[kPacket];
  for (int i = 0; i < kMaxBadPackets; ++i) {
    const int n = usb_->Status(st, sizeof st);
    if (n == kUsbErrorNoDevice) return false;
    if (n < kStateBytes) continue;
    if (st[kStatusFlags] & kStEp0f) return false;
    if ((st[kStatusEnable] & kEnSpue) && st[kStatusSpeed] == kSpeedNormal &&
        st[kStatusPullUpDuration] == kPullUpInfinite)
      return true;
  }
  return false;
}

int Ds2490Link::Lost(const std::string& why) {
  usb_.reset();
  armed_ = pull_up_ = false;
  loss_.Lost("The DS9490 USB 1-Wire adapter stopped answering (" + why +
             "): check that it is plugged in; we try again at every session start.");
  return kLinkFailed;
}

bool Ds2490Link::Resync() {
  ++resyncs_;
  armed_ = pull_up_ = false;
  return usb_ && (SetUp() || SetUp());
}

int Ds2490Link::Garbled(const std::string& why) {
  if (!Resync()) return Lost(why);
  return kLinkFailed;
}

void Ds2490Link::OnSessionStart() {
  if (usb_) return;
  std::string error;
  const bool ok = Open(error);
  loss_.Reopened(ok, error);
}

Ds2490Link::Outcome Ds2490Link::Run(uint16_t value, uint16_t index, Until until, Feedback& fb) {
  for (int attempt = 0;; ++attempt) {
    fb = Feedback{};
    const int r = usb_->Control(kCommCmd, value, index);
    if (r == kUsbErrorNoDevice) return Outcome::kLost;
    if (r < 0) return Outcome::kGarbled;  // refused, or not answered in time
    const Outcome o = Poll(until, fb);
    if (o != Outcome::kGarbled || !(fb.flags & kStEp0f) || attempt > 0) return o;
    // EP0F: the chip dropped our request. A device reset clears it; then once more.
    if (!SetUp()) return Outcome::kGarbled;
  }
}

Ds2490Link::Outcome Ds2490Link::Poll(Until until, Feedback& fb) {
  int bad = 0, grace = 0;
  bool resumed = false;
  uint8_t st[kPacket];
  for (int poll = 0; poll < kMaxPolls; ++poll) {
    const int n = usb_->Status(st, sizeof st);
    if (n == kUsbErrorNoDevice) return Outcome::kLost;
    if (n < kStateBytes) {  // failed or cut short: the next packet will do
      if (++bad > kMaxBadPackets) return Outcome::kGarbled;
      continue;
    }
    bad = 0;
    for (int i = kStateBytes; i < n; ++i)
      if (st[i] != kRrDetect) fb.results.push_back(st[i]);
    fb.flags = st[kStatusFlags];
    fb.data_in = st[kStatusDataIn];
    if (fb.flags & kStEp0f) return Outcome::kGarbled;
    const bool idle = (fb.flags & kStIdle) && st[kStatusCommBuffer] == 0;
    if ((fb.flags & kStHalt) && !idle) {
      // Halted with our command waiting: let it run (once).
      if (resumed) return Outcome::kGarbled;
      resumed = true;
      const int r = usb_->Control(kControlCmd, kCtlResumeExe, 0);
      if (r == kUsbErrorNoDevice) return Outcome::kLost;
      if (r < 0) return Outcome::kGarbled;
      continue;
    }
    switch (until) {
      case Until::kIdle:
        if (idle) return Outcome::kDone;
        break;
      case Until::kIdleWithResult:
        if (idle && !fb.results.empty()) return Outcome::kDone;
        if (idle && ++grace > kResultGracePolls) return Outcome::kGarbled;  // result lost
        break;
      case Until::kPullUpRunning:
        if ((fb.flags & kStSpua) || idle) return Outcome::kDone;
        break;
      case Until::kByteDoneOrIdle:
        if (idle || (fb.data_in > 0 && (fb.flags & kStSpua))) return Outcome::kDone;
        break;
    }
  }
  return Outcome::kGarbled;
}

Ds2490Link::Outcome Ds2490Link::ReadByte(const Feedback& fb, uint8_t& byte) {
  if (fb.data_in == 0) return Outcome::kGarbled;  // nothing came: reading would only wait
  uint8_t buf[kPacket];
  const int n = usb_->BulkIn(buf, sizeof buf);
  if (n == kUsbErrorNoDevice) return Outcome::kLost;
  if (n <= 0 || n < fb.data_in) return Outcome::kGarbled;
  byte = buf[n - 1];  // what came before it was left over from an earlier exchange
  return Outcome::kDone;
}

Ds2490Link::Outcome Ds2490Link::EndPullUp() {
  pull_up_ = false;
  for (uint16_t ctl : {kCtlHaltExeIdle, kCtlResumeExe}) {
    const int r = usb_->Control(kControlCmd, ctl, 0);
    if (r == kUsbErrorNoDevice) return Outcome::kLost;
    if (r < 0) return Outcome::kGarbled;
  }
  uint8_t st[kPacket];
  int bad = 0;
  for (int i = 0; i < kPullUpEndPolls; ++i) {
    const int n = usb_->Status(st, sizeof st);
    if (n == kUsbErrorNoDevice) return Outcome::kLost;
    if (n < kStateBytes) {
      if (++bad > kMaxBadPackets) return Outcome::kGarbled;
      continue;
    }
    bad = 0;
    if (!(st[kStatusFlags] & kStSpua) && (st[kStatusFlags] & kStIdle)) return Outcome::kDone;
  }
  return Outcome::kGarbled;
}

int Ds2490Link::EndRunningPullUp(bool& garbled) {
  garbled = false;
  if (!pull_up_) return 0;
  const Outcome o = EndPullUp();
  if (o == Outcome::kLost) return Lost("no answer while a strong pull-up ended");
  if (o == Outcome::kGarbled) {
    garbled = true;
    return Garbled("a strong pull-up did not end");
  }
  return 0;
}

int Ds2490Link::ResetOnce(bool& retry) {
  retry = false;
  armed_ = false;
  if (const int r = EndRunningPullUp(retry); r != 0) return r;
  Feedback fb;
  const Outcome o = Run(kCommReset | kCommIm | kCommF | kCommNtf | kCommSe, kSpeedNormal,
                        Until::kIdleWithResult, fb);
  if (o == Outcome::kLost) return Lost("no answer to a reset");
  retry = true;
  if (o == Outcome::kGarbled) return Garbled("no result of a reset");
  const uint8_t rr = fb.results.back();
  if (rr & ~kResetResultBits) return Garbled("a reset result it does not define");
  retry = false;
  if (rr & kRrShort) return kResetShort;
  if (rr & kRrNoPresence) return kResetNoPresence;
  if (rr & kRrAlarm) return kResetAlarm;
  return kResetPresence;
}

int Ds2490Link::Reset() {
  if (!usb_) return kLinkFailed;
  bool retry = false;
  int r = ResetOnce(retry);
  if (retry && usb_) r = ResetOnce(retry);  // a reset can simply be made again
  return r;
}

int Ds2490Link::TouchBit(int bit) {
  if (!usb_) return kLinkFailed;
  bool garbled = false;
  if (const int r = EndRunningPullUp(garbled); r != 0) return r;
  Feedback fb;
  Outcome o = Run(kCommBitIo | kCommIm | (bit ? kCommD : 0), 0, Until::kIdle, fb);
  uint8_t b = 0;
  if (o == Outcome::kDone) o = ReadByte(fb, b);
  if (o == Outcome::kLost) return Lost("no answer to a bit");
  if (o == Outcome::kGarbled) return Garbled("no bit read back");
  return b & 1;
}

int Ds2490Link::TouchByteOnce(int byte) {
  bool garbled = false;
  if (const int r = EndRunningPullUp(garbled); r != 0) return r;
  const bool spu = armed_;
  armed_ = false;
  Feedback fb;
  Outcome o = Run(kCommByteIo | kCommIm | (spu ? kCommSpu : 0), static_cast<uint16_t>(byte & 0xFF),
                  spu ? Until::kByteDoneOrIdle : Until::kIdle, fb);
  if (o == Outcome::kLost) return Lost("no answer to a byte");
  if (o == Outcome::kGarbled) return Garbled("no answer to a byte");
  pull_up_ = spu && (fb.flags & kStSpua);
  uint8_t b = 0;
  o = ReadByte(fb, b);
  if (o == Outcome::kLost) return Lost("no byte read back");
  if (o == Outcome::kGarbled) return Garbled("no byte read back");
  // A pull-up that was asked for and did not start would leave a parasite-powered chip without
  // power: that byte fails.
  if (spu && !pull_up_) return Garbled("the strong pull-up after a byte did not start");
  return b;
}

int Ds2490Link::TouchByte(int byte) {
  if (!usb_) return kLinkFailed;
  return TouchByteOnce(byte);
}

int Ds2490Link::SetLevel(LineLevel level, LevelStart start) {
  if (!usb_) return kLinkFailed;
  armed_ = false;
  bool garbled = false;
  if (const int r = EndRunningPullUp(garbled); r != 0) return r;
  if (level == LineLevel::Normal) return 0;
  if (start == LevelStart::AfterNextByte) {
    armed_ = true;  // the next byte goes with SPU
    return 1;
  }
  for (int attempt = 0; attempt < 2; ++attempt) {
    Feedback fb;
    const Outcome o = Run(kCommPulse | kCommIm | kCommF, 0, Until::kPullUpRunning, fb);
    if (o == Outcome::kLost) return Lost("no answer to a strong pull-up");
    if (o == Outcome::kGarbled) return Garbled("no answer to a strong pull-up");
    if (fb.flags & kStSpua) {
      pull_up_ = true;
      return 1;
    }
    // Done without a pull-up: the chip lost its set-up (pulses not enabled). Again after one.
    if (!Resync()) return Lost("the strong pull-up could not be set up");
  }
  return kLinkFailed;
}

int Ds2490Link::VerifyOnce(const Rom& rom, bool& retry) {
  retry = false;
  armed_ = false;
  if (const int r = EndRunningPullUp(retry); r != 0) return r;
  const int n = usb_->BulkOut(rom.data(), rom.size());
  if (n == kUsbErrorNoDevice) return Lost("the ROM code could not be sent");
  retry = true;
  if (n != static_cast<int>(rom.size())) return Garbled("the ROM code could not be sent");
  // Reset, Search ROM, our bits at every position; NRS: a bit the chip did not answer.
  Feedback fb;
  const Outcome o = Run(kCommSearchAccess | kCommIm | kCommRst | kCommF | kCommNtf, kSearchRomIndex,
                        Until::kIdleWithResult, fb);
  if (o == Outcome::kLost) return Lost("no answer to a search access");
  if (o == Outcome::kGarbled) return Garbled("no result of a search access");
  const uint8_t rr = fb.results.back();
  if (rr != 0 && !(rr & (kRrShort | kRrNoPresence)))
    return Garbled("a search result it does not define");
  retry = false;
  if (rr & kRrShort) return -kResetShort;
  return (rr & kRrNoPresence) ? 0 : 1;
}

std::optional<int> Ds2490Link::AccelVerify(const Rom& rom) {
  if (!usb_) return kLinkFailed;
  bool retry = false;
  int r = VerifyOnce(rom, retry);
  if (retry && usb_) r = VerifyOnce(rom, retry);  // a verify starts with a reset: safe again
  return r;
}

}  // namespace wm033::onewire
