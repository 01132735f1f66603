// A serial port for the 1-Wire line drivers: raw 8N1 at a chosen baud rate, held exclusively,
// with every read bounded by a timeout (poll), so that a silent adapter never blocks us. Where the
// kernel allows it the port is set to low latency (a USB-serial converter then hands over what
// it received at once instead of after its latency timer).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace wm033 {
struct Environment;
}

namespace wm033::onewire {

// The device path of a port number: WM033_PORT<n> when set, else /dev/ttyUSB<n-1> when it
// exists, else /dev/ttyS<n-1>. Port 0 means the first port too.
std::string SerialDevicePath(const Environment& env, int port_num);

// What to tell the user when a device cannot be opened (errno of the open).
std::string SerialOpenAdvice(const std::string& path, int err);

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Write all bytes; false on failure.
  virtual bool Write(const uint8_t* data, size_t n) = 0;
  // Reads up to `n` bytes, waiting at most `timeout_ms` in all; gives the count read (less on a
  // timeout), or -1 when the port failed.
  virtual int Read(uint8_t* data, size_t n, int timeout_ms) = 0;
  // 4800, 9600, 19200, 57600 or 115200.
  virtual bool SetBaud(int baud) = 0;
  virtual void SendBreak() = 0;
  // Drops what is waiting in both directions.
  virtual void Flush() = 0;
  // Drops what has been received and not read.
  virtual void DiscardInput() {}
  // Waits until everything written has left.
  virtual void Drain() = 0;
  // Waits `ms` milliseconds for the adapter (a test port need not wait).
  virtual void Pause(int ms);
  virtual int baud() const = 0;
};

// A POSIX tty.
class TtyPort : public SerialPort {
 public:
  ~TtyPort() override;
  // Opens `path` at 9600 baud; null with a message saying what to fix when it cannot.
  static std::unique_ptr<TtyPort> Open(const std::string& path, std::string& error);

  bool Write(const uint8_t* data, size_t n) override;
  int Read(uint8_t* data, size_t n, int timeout_ms) override;
  bool SetBaud(int baud) override;
  void SendBreak() override;
  void Flush() override;
  void DiscardInput() override;
  void Drain() override;
  int baud() const override { return baud_; }
  // Whether the kernel took the low-latency setting (a pseudo-terminal has none).
  bool low_latency() const { return low_latency_; }

 private:
  explicit TtyPort(int fd) : fd_(fd) {}
  int fd_ = -1;
  int baud_ = 9600;
  bool low_latency_ = false;
};

}  // namespace wm033::onewire
