#include "onewire/adapters/libusb_transfer.h"

#ifdef WM033_HAVE_LIBUSB
#include <libusb.h>
#endif

namespace wm033::onewire {

#ifdef WM033_HAVE_LIBUSB

namespace {
constexpr uint16_t kVendor = 0x04FA;
constexpr uint16_t kProduct = 0x2490;
constexpr int kInterface = 0;
constexpr int kAltSetting = 3;
constexpr uint8_t kVendorOut = 0x40;  // vendor request, host to device, to the device
constexpr uint8_t kEpStatus = 0x81;
constexpr uint8_t kEpDataOut = 0x02;
constexpr uint8_t kEpDataIn = 0x83;
constexpr unsigned kTimeoutMs = 1000;

class LibUsbTransfer : public UsbTransfer {
 public:
  LibUsbTransfer(libusb_context* ctx, libusb_device_handle* h) : ctx_(ctx), h_(h) {}
  ~LibUsbTransfer() override {
    libusb_release_interface(h_, kInterface);
    libusb_close(h_);
    libusb_exit(ctx_);
  }
  int Control(uint8_t request, uint16_t value, uint16_t index) override {
    const int r =
        libusb_control_transfer(h_, kVendorOut, request, value, index, nullptr, 0, kTimeoutMs);
    return r < 0 ? r : 0;
  }
  int BulkOut(const uint8_t* data, size_t n) override {
    int done = 0;
    const int r = libusb_bulk_transfer(h_, kEpDataOut, const_cast<uint8_t*>(data),
                                       static_cast<int>(n), &done, kTimeoutMs);
    return r < 0 ? r : done;
  }
  int BulkIn(uint8_t* data, size_t n) override {
    int done = 0;
    const int r = libusb_bulk_transfer(h_, kEpDataIn, data, static_cast<int>(n), &done, kTimeoutMs);
    return r < 0 ? r : done;
  }
  int Status(uint8_t* data, size_t n) override {
    int done = 0;
    const int r =
        libusb_interrupt_transfer(h_, kEpStatus, data, static_cast<int>(n), &done, kTimeoutMs);
    return r < 0 ? r : done;
  }

 private:
  libusb_context* ctx_;
  libusb_device_handle* h_;
};

std::string Advice(int r) {
  switch (r) {
    case LIBUSB_ERROR_ACCESS:
      return "no permission to use the DS9490 USB adapter: install the DS9490 udev rule of the "
             "package (or add the user to the plugdev group) and plug the adapter in again";
    case LIBUSB_ERROR_BUSY:
      return "the DS9490 USB adapter is in use by another program: close it first";
    case LIBUSB_ERROR_NO_DEVICE:
      return "the DS9490 USB adapter was unplugged";
    default:
      return std::string("the DS9490 USB adapter cannot be opened (") + libusb_error_name(r) + ")";
  }
}
}  // namespace

std::unique_ptr<UsbTransfer> OpenDs9490(int index, std::string& error) {
  libusb_context* ctx = nullptr;
  if (libusb_init(&ctx) != 0) {
    error = "USB cannot be used on this machine (libusb did not start)";
    return nullptr;
  }
  libusb_device** list = nullptr;
  const ssize_t n = libusb_get_device_list(ctx, &list);
  libusb_device* found = nullptr;
  int seen = 0;
  for (ssize_t i = 0; i < n; ++i) {
    libusb_device_descriptor d{};
    if (libusb_get_device_descriptor(list[i], &d) != 0) continue;
    if (d.idVendor == kVendor && d.idProduct == kProduct && seen++ == index) found = list[i];
  }
  libusb_device_handle* h = nullptr;
  int r = found ? libusb_open(found, &h) : LIBUSB_ERROR_NOT_FOUND;
  if (list) libusb_free_device_list(list, 1);
  if (r != 0) {
    error = r == LIBUSB_ERROR_NOT_FOUND
                ? "no DS9490 USB adapter (04FA:2490) is plugged in" +
                      (index > 0 ? " as number " + std::to_string(index + 1) : std::string())
                : Advice(r);
    libusb_exit(ctx);
    return nullptr;
  }
  if (libusb_kernel_driver_active(h, kInterface) == 1) libusb_detach_kernel_driver(h, kInterface);
  r = libusb_claim_interface(h, kInterface);
  if (r == 0) r = libusb_set_interface_alt_setting(h, kInterface, kAltSetting);
  if (r != 0) {
    error = Advice(r);
    libusb_close(h);
    libusb_exit(ctx);
    return nullptr;
  }
  return std::make_unique<LibUsbTransfer>(ctx, h);
}

#else

std::unique_ptr<UsbTransfer> OpenDs9490(int, std::string& error) {
  error = "this build has no USB support (libusb-1.0 was not found when it was built)";
  return nullptr;
}

#endif

}  // namespace wm033::onewire
