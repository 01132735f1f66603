// Port type 1: a passive serial adapter (DS9097), its time slots made from UART bytes: a reset
// is 0xF0 at 9600 baud (an echo other than 0xF0 means a presence pulse, 0x00 a shorted bus),
// a bit is one byte at 115200 baud (0xFF writes a 1 and reads the bus, 0x00 writes a 0); the
// echo of each byte is the bus. It cannot give a strong pull-up.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "onewire/adapters/ds2480b.h"
#include "onewire/link.h"

namespace wm033::onewire {

namespace ds9097 {
constexpr int kResetBaud = 9600;
constexpr int kBitBaud = 115200;
constexpr uint8_t kResetByte = 0xF0;
constexpr uint8_t kOneByte = 0xFF;
constexpr uint8_t kZeroByte = 0x00;
}  // namespace ds9097

class Ds9097Link : public OneWireLink {
 public:
  Ds9097Link(SerialOpener opener, std::function<void(const std::string&)> notify = {});
  bool Open(std::string& error);

  void OnSessionStart() override;
  int Reset() override;
  int TouchBit(int bit) override;
  int TouchByte(int byte) override;
  int SetLevel(LineLevel level, LevelStart start) override;
  bool HasStrongPullUp() const override { return false; }

 private:
  int Fail(const std::string& why);
  bool Baud(int baud);

  SerialOpener opener_;
  LossNotice loss_;
  std::unique_ptr<SerialPort> port_;
};

}  // namespace wm033::onewire
