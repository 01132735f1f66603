#include "onewire/adapters/ds2490.h"

#include <chrono>

namespace wm033::onewire {

using namespace ds2490;

namespace {
constexpr uint16_t kSearchRomCmd = 0xF0;
constexpr int kIdleDeadlineMs = 1000;
}  // namespace

Ds2490Link::Ds2490Link(UsbOpener opener, std::function<void(const std::string&)> notify)
    : opener_(std::move(opener)), loss_(std::move(notify)) {}

bool Ds2490Link::Open(std::string& error) {
  usb_ = opener_ ? opener_(error) : nullptr;
  if (!usb_) return false;
  armed_ = pulse_ = false;
  if (usb_->Control(kControlCmd, kCtlResetDevice, 0) < 0 ||
      usb_->Control(kModeCmd, kModPulseEnable, kPulseSpue) < 0 ||
      usb_->Control(kModeCmd, kModStrongPullUpDuration, kPullUpInfinite) < 0 ||
      usb_->Control(kModeCmd, kModSpeed, kSpeedNormal) < 0) {
    error = "the DS9490 USB adapter did not accept its set-up";
    usb_.reset();
    return false;
  }
  return true;
}

int Ds2490Link::Fail(const std::string& why) {
  usb_.reset();
  loss_.Lost("The DS9490 USB 1-Wire adapter stopped answering (" + why +
             "): check that it is plugged in; we try again at every session start.");
  return kLinkFailed;
}

void Ds2490Link::OnSessionStart() {
  if (usb_) return;
  std::string error;
  const bool ok = Open(error);
  loss_.Reopened(ok, error);
}

bool Ds2490Link::Run(uint16_t command, uint16_t index, std::vector<uint8_t>& results) {
  results.clear();
  if (usb_->Control(kCommCmd, command, index) < 0) return false;
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(kIdleDeadlineMs);
  uint8_t st[64];
  for (;;) {
    const int n = usb_->Status(st, sizeof st);
    if (n < 0) return false;
    for (int i = static_cast<int>(kStatusResults); i < n; ++i)
      if (st[i] != kRrDetect) results.push_back(st[i]);
    if (n > static_cast<int>(kStatusCommBuffer) && (st[kStatusFlags] & kStIdle) &&
        st[kStatusCommBuffer] == 0)
      return true;
    if (std::chrono::steady_clock::now() > deadline) return false;
  }
}

bool Ds2490Link::EndPulse() {
  if (!pulse_) {
    armed_ = false;
    return true;
  }
  pulse_ = armed_ = false;
  return usb_->Control(kControlCmd, kCtlHaltExeIdle, 0) >= 0 &&
         usb_->Control(kControlCmd, kCtlResumeExe, 0) >= 0;
}

int Ds2490Link::Reset() {
  if (!usb_) return kLinkFailed;
  std::vector<uint8_t> rr;
  if (!EndPulse() || !Run(kCommReset | kCommF | kCommIm | kCommSe, kSpeedNormal, rr))
    return Fail("no answer to a reset");
  int result = kResetPresence;
  for (uint8_t r : rr) {
    if (r & kRrShort) return kResetShort;
    if (r & kRrNoPresence) result = kResetNoPresence;
    if ((r & kRrAlarm) && result == kResetPresence) result = kResetAlarm;
  }
  return result;
}

int Ds2490Link::TouchBit(int bit) {
  if (!usb_) return kLinkFailed;
  std::vector<uint8_t> rr;
  if (!EndPulse() || !Run(kCommBitIo | kCommIm | (bit ? kCommD : 0), 0, rr))
    return Fail("no answer to a bit");
  uint8_t b = 0;
  if (usb_->BulkIn(&b, 1) != 1) return Fail("no bit read back");
  return b & 1;
}

int Ds2490Link::TouchByte(int byte) {
  if (!usb_) return kLinkFailed;
  const bool spu = armed_;
  if (pulse_ && !EndPulse()) return Fail("a strong pull-up did not end");
  armed_ = false;
  std::vector<uint8_t> rr;
  if (!Run(kCommByteIo | kCommIm | (spu ? kCommSpu : 0), static_cast<uint16_t>(byte & 0xFF), rr))
    return Fail("no answer to a byte");
  uint8_t b = 0;
  if (usb_->BulkIn(&b, 1) != 1) return Fail("no byte read back");
  pulse_ = spu;
  return b;
}

int Ds2490Link::SetLevel(LineLevel level, LevelStart start) {
  if (!usb_) return kLinkFailed;
  if (!EndPulse()) return Fail("a strong pull-up did not end");
  if (level == LineLevel::Normal) return 0;
  if (start == LevelStart::AfterNextByte) {
    armed_ = true;
    return 1;
  }
  // The pulse runs until halted, so we do not wait for idle here.
  if (usb_->Control(kCommCmd, kCommPulse | kCommIm | kCommF, 0) < 0)
    return Fail("a strong pull-up was refused");
  pulse_ = true;
  return 1;
}

std::optional<int> Ds2490Link::AccelVerify(const Rom& rom) {
  if (!usb_) return kLinkFailed;
  if (!EndPulse()) return Fail("a strong pull-up did not end");
  // Search access along the ROM: reset, Search ROM, our bits at every position; the compare
  // flag says another code was met.
  if (usb_->BulkOut(rom.data(), rom.size()) != static_cast<int>(rom.size()))
    return Fail("the ROM code could not be sent");
  std::vector<uint8_t> rr;
  if (!Run(kCommSearchAccess | kCommIm | kCommF | kCommRst, kSearchRomCmd, rr))
    return Fail("no answer to a search access");
  for (uint8_t r : rr) {
    if (r & kRrShort) return -kResetShort;
    if (r & (kRrNoPresence | kRrCompare)) return 0;
  }
  return 1;
}

}  // namespace wm033::onewire
