// The USB transfers the DS2490 driver needs, behind an interface so that the protocol can be
// run against scripted transfers: vendor control requests, bulk data out (EP2) and in (EP3),
// and the status endpoint (EP1). Every call has a deadline; negative results are failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace wm033::onewire {

class UsbTransfer {
 public:
  virtual ~UsbTransfer() = default;
  virtual int Control(uint8_t request, uint16_t value, uint16_t index) = 0;
  virtual int BulkOut(const uint8_t* data, size_t n) = 0;
  // Bytes read (up to n), or negative.
  virtual int BulkIn(uint8_t* data, size_t n) = 0;
  // One status packet (16 status bytes, then result bytes); its length or negative.
  virtual int Status(uint8_t* data, size_t n) = 0;
};

// Opens the `index`th DS9490 (04FA:2490, from 0) with libusb: the kernel's driver detached when
// it holds the device, interface 0 claimed, alternate setting 3. Null with what to fix.
std::unique_ptr<UsbTransfer> OpenDs9490(int index, std::string& error);

}  // namespace wm033::onewire
