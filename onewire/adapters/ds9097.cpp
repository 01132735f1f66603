#include "onewire/adapters/ds9097.h"

namespace wm033::onewire {

using namespace ds9097;

namespace {
constexpr int kEchoTimeoutMs = 50;
}

Ds9097Link::Ds9097Link(SerialOpener opener, std::function<void(const std::string&)> notify)
    : opener_(std::move(opener)), loss_(std::move(notify)) {}

bool Ds9097Link::Open(std::string& error) {
  port_ = opener_ ? opener_(error) : nullptr;
  if (!port_) return false;
  port_->Flush();
  if (Reset() < 0) {
    error =
        "no DS9097 adapter answered on the serial port (no echo of a reset): check the "
        "adapter and the port, or use type 5 (DS9097U serial) or 6 (DS9490 USB)";
    port_.reset();
    return false;
  }
  return true;
}

bool Ds9097Link::Baud(int baud) {
  return port_->baud() == baud || port_->SetBaud(baud);
}

int Ds9097Link::Fail(const std::string& why) {
  port_.reset();
  loss_.Lost("The DS9097 1-Wire adapter stopped answering (" + why +
             "): check its cable; we try again at every session start.");
  return kLinkFailed;
}

void Ds9097Link::OnSessionStart() {
  if (port_) return;
  std::string error;
  const bool ok = Open(error);
  loss_.Reopened(ok, error);
}

int Ds9097Link::Reset() {
  if (!port_) return kLinkFailed;
  if (!Baud(kResetBaud)) return Fail("the port refused 9600 baud");
  const uint8_t out = kResetByte;
  uint8_t echo = 0;
  if (!port_->Write(&out, 1) || port_->Read(&echo, 1, kEchoTimeoutMs) != 1)
    return Fail("no echo of a reset");
  if (echo == kResetByte) return kResetNoPresence;
  if (echo == 0x00) return kResetShort;
  return kResetPresence;
}

int Ds9097Link::TouchBit(int bit) {
  if (!port_) return kLinkFailed;
  if (!Baud(kBitBaud)) return Fail("the port refused 115200 baud");
  const uint8_t out = bit ? kOneByte : kZeroByte;
  uint8_t echo = 0;
  if (!port_->Write(&out, 1) || port_->Read(&echo, 1, kEchoTimeoutMs) != 1)
    return Fail("no echo of a bit");
  return echo == kOneByte ? 1 : 0;
}

// The eight slots of a byte in one write.
int Ds9097Link::TouchByte(int byte) {
  if (!port_) return kLinkFailed;
  if (!Baud(kBitBaud)) return Fail("the port refused 115200 baud");
  uint8_t out[8], echo[8] = {};
  for (int i = 0; i < 8; ++i) out[i] = ((byte >> i) & 1) ? kOneByte : kZeroByte;
  if (!port_->Write(out, 8) || port_->Read(echo, 8, kEchoTimeoutMs) != 8)
    return Fail("no echo of a byte");
  int r = 0;
  for (int i = 0; i < 8; ++i)
    if (echo[i] == kOneByte) r |= 1 << i;
  return r;
}

int Ds9097Link::SetLevel(LineLevel level, LevelStart) {
  if (!port_) return kLinkFailed;
  return level == LineLevel::Normal ? 0 : kLinkNotSupported;
}

}  // namespace wm033::onewire
