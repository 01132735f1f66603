// The USB transfers a DS2490 host needs, as an interface: the real device through libusb
// (onewire/adapters/libusb_transfer.h), the DS2490 emulator (onewire/sim/ds2490_emulator.h) and
// scripted transfers in tests all sit behind it.
//   Control  a vendor request (bmRequestType 0x40, no data stage): bRequest 0 control command,
//            1 communication command, 2 mode command, with wValue and wIndex
//   BulkOut  EP2, data for the 1-Wire bus
//   BulkIn   EP3, data read from the 1-Wire bus
//   Status   EP1 interrupt: 16 state register bytes, then 0 to 16 result register bytes
// Every call blocks for one transfer and ends with a deadline; negative results are failures
// (libusb error codes).
#pragma once

#include <cstddef>
#include <cstdint>

namespace wm033::onewire {

class UsbTransfer {
 public:
  virtual ~UsbTransfer() = default;
  // 0 when the device took the request, negative when it stalled it or did not answer.
  virtual int Control(uint8_t request, uint16_t value, uint16_t index) = 0;
  // Bytes taken (n), or negative.
  virtual int BulkOut(const uint8_t* data, size_t n) = 0;
  // Bytes read (up to n), or negative.
  virtual int BulkIn(uint8_t* data, size_t n) = 0;
  // One status packet (16 state bytes, then result bytes); its length or negative.
  virtual int Status(uint8_t* data, size_t n) = 0;
};

// libusb's error codes that the implementations give back.
constexpr int kUsbErrorIo = -1;
constexpr int kUsbErrorNoDevice = -4;
constexpr int kUsbErrorTimeout = -7;
constexpr int kUsbErrorPipe = -9;      // the endpoint stalled
constexpr int kUsbErrorOverflow = -8;  // the device sent more than was asked for

}  // namespace wm033::onewire
