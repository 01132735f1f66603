// Port type 6: a DS9490 USB adapter (DS2490 bridge) behind the OneWireLink calls. Each bus
// operation is one communication command with "immediate" set; we then poll the status
// endpoint until the bridge is idle with no command left, and read the result registers (reset
// presence, short, alarm; search compare error) and any data. The strong-access verify is the
// bridge's own search access along the ROM. A failed transfer drops the device; it is opened
// again at the next session start.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "onewire/link.h"
#include "onewire/usb_transfer.h"

namespace wm033::onewire {

namespace ds2490 {
constexpr uint8_t kControlCmd = 0x00;
constexpr uint8_t kCommCmd = 0x01;
constexpr uint8_t kModeCmd = 0x02;

constexpr uint16_t kCtlResetDevice = 0x0000;
constexpr uint16_t kCtlResumeExe = 0x0002;
constexpr uint16_t kCtlHaltExeIdle = 0x0003;

constexpr uint16_t kModPulseEnable = 0x0000;
constexpr uint16_t kModSpeed = 0x0002;
constexpr uint16_t kModStrongPullUpDuration = 0x0003;
constexpr uint16_t kPulseSpue = 0x02;       // strong pull-up pulses allowed
constexpr uint16_t kPullUpInfinite = 0x00;  // lasts until halted
constexpr uint16_t kSpeedNormal = 0x00;

constexpr uint16_t kCommBitIo = 0x0020;
constexpr uint16_t kCommPulse = 0x0030;
constexpr uint16_t kCommReset = 0x0042;
constexpr uint16_t kCommByteIo = 0x0052;
constexpr uint16_t kCommSearchAccess = 0x00F4;
constexpr uint16_t kCommIm = 0x0001;  // run at once
constexpr uint16_t kCommD = 0x0008;   // bit value / SE / SM, by command
constexpr uint16_t kCommSe = 0x0008;
constexpr uint16_t kCommSpu = 0x1000;  // strong pull-up after the operation
constexpr uint16_t kCommF = 0x0800;    // clear buffers on an error
constexpr uint16_t kCommRst = 0x0100;

// Status packet: flags at byte 8, commands still in the buffer at 11, result bytes from 16.
constexpr size_t kStatusFlags = 8;
constexpr size_t kStatusCommBuffer = 11;
constexpr size_t kStatusResults = 16;
constexpr uint8_t kStIdle = 0x20;
constexpr uint8_t kStSpua = 0x01;
constexpr uint8_t kRrDetect = 0xA5;  // a new device on the bus: not a result
constexpr uint8_t kRrNoPresence = 0x01;
constexpr uint8_t kRrShort = 0x02;
constexpr uint8_t kRrAlarm = 0x04;
constexpr uint8_t kRrCompare = 0x10;
}  // namespace ds2490

using UsbOpener = std::function<std::unique_ptr<UsbTransfer>(std::string& error)>;

class Ds2490Link : public OneWireLink {
 public:
  Ds2490Link(UsbOpener opener, std::function<void(const std::string&)> notify = {});
  bool Open(std::string& error);

  void OnSessionStart() override;
  int Reset() override;
  int TouchBit(int bit) override;
  int TouchByte(int byte) override;
  int SetLevel(LineLevel level, LevelStart start) override;
  std::optional<int> AccelVerify(const Rom& rom) override;

 private:
  // Sends a communication command and waits for idle; the result bytes in `results`.
  bool Run(uint16_t command, uint16_t index, std::vector<uint8_t>& results);
  bool EndPulse();
  int Fail(const std::string& why);

  UsbOpener opener_;
  LossNotice loss_;
  std::unique_ptr<UsbTransfer> usb_;
  bool armed_ = false, pulse_ = false;
};

}  // namespace wm033::onewire
