// The DS9490's USB transfers through libusb: vendor control requests on EP0, bulk data out
// (EP2) and in (EP3), and the status endpoint (EP1), each with a one-second deadline.
#pragma once

#include <memory>
#include <string>

#include "onewire/usb_transfer.h"

namespace wm033::onewire {

// Opens the `index`th DS9490 (04FA:2490, from 0) with libusb: the kernel's driver detached when
// it holds the device, interface 0 claimed, alternate setting 3. Null with what to fix.
std::unique_ptr<UsbTransfer> OpenDs9490(int index, std::string& error);

}  // namespace wm033::onewire
