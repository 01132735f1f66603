#include "onewire/adapters/serial_port.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/environment.h"

namespace wm033::onewire {

namespace {

speed_t SpeedOf(int baud) {
  switch (baud) {
    case 4800:
      return B4800;
    case 9600:
      return B9600;
    case 19200:
      return B19200;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return 0;
  }
}

int64_t NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

std::string SerialDevicePath(const Environment& env, int port_num) {
  const int n = port_num < 1 ? 1 : port_num;
  if (auto set = env.Get("WM033_PORT" + std::to_string(n)); set && !set->empty()) return *set;
  const std::string usb = "/dev/ttyUSB" + std::to_string(n - 1);
  if (::access(usb.c_str(), F_OK) == 0) return usb;
  return "/dev/ttyS" + std::to_string(n - 1);
}

std::string SerialOpenAdvice(const std::string& path, int err) {
  switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "the serial device " + path +
             " is not there: plug the adapter in, or set WM033_PORT<n> to its device path";
    case EACCES:
    case EPERM:
      return "no permission to open " + path +
             ": add the user to the group that owns it (usually dialout) and log in again";
    case EBUSY:
    case EWOULDBLOCK:
      return "the serial device " + path + " is in use by another program: close it first";
    default:
      return "the serial device " + path + " cannot be opened (" + std::strerror(err) + ")";
  }
}

TtyPort::~TtyPort() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<TtyPort> TtyPort::Open(const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = SerialOpenAdvice(path, errno);
    return nullptr;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int e = errno;
    ::close(fd);
    error = SerialOpenAdvice(path, e == EWOULDBLOCK ? EBUSY : e);
    return nullptr;
  }
  termios tio{};
  if (::tcgetattr(fd, &tio) != 0) {
    const int e = errno;
    ::close(fd);
    error = path + " is not a serial device (" + std::strerror(e) +
            "): check WM033_PORT<n> or the port number";
    return nullptr;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS | CSIZE);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, B9600);
  ::cfsetospeed(&tio, B9600);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    const int e = errno;
    ::close(fd);
    error = "the serial device " + path + " cannot be set to 9600 baud (" + std::strerror(e) + ")";
    return nullptr;
  }
  ::ioctl(fd, TIOCEXCL);
  auto port = std::unique_ptr<TtyPort>(new TtyPort(fd));
  // Low latency where the driver has it (serial and USB-serial ports); a pseudo-terminal
  // refuses, which changes nothing.
  serial_struct ss{};
  if (::ioctl(fd, TIOCGSERIAL, &ss) == 0) {
    ss.flags |= ASYNC_LOW_LATENCY;
    port->low_latency_ = ::ioctl(fd, TIOCSSERIAL, &ss) == 0;
  }
  return port;
}

bool TtyPort::Write(const uint8_t* data, size_t n) {
  size_t done = 0;
  const int64_t deadline = NowMs() + 1000;
  while (done < n) {
    const ssize_t w = ::write(fd_, data + done, n - done);
    if (w > 0) {
      done += static_cast<size_t>(w);
      continue;
    }
    if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
    const int64_t left = deadline - NowMs();
    if (left <= 0) return false;
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, static_cast<int>(left)) < 0 && errno != EINTR) return false;
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
  }
  return true;
}

int TtyPort::Read(uint8_t* data, size_t n, int timeout_ms) {
  size_t got = 0;
  const int64_t deadline = NowMs() + timeout_ms;
  while (got < n) {
    const ssize_t r = ::read(fd_, data + got, n - got);
    if (r > 0) {
      got += static_cast<size_t>(r);
      continue;
    }
    if (r < 0 && errno != EAGAIN && errno != EINTR) return -1;
    const int64_t left = deadline - NowMs();
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    const int pr = ::poll(&p, 1, static_cast<int>(left));
    if (pr < 0 && errno != EINTR) return -1;
    if (pr > 0 && (p.revents & (POLLERR | POLLNVAL))) return -1;
    if (pr > 0 && (p.revents & POLLHUP) && !(p.revents & POLLIN)) return -1;
  }
  return static_cast<int>(got);
}

bool TtyPort::SetBaud(int baud) {
  const speed_t s = SpeedOf(baud);
  termios tio{};
  if (s == 0 || ::tcgetattr(fd_, &tio) != 0) return false;
  ::cfsetispeed(&tio, s);
  ::cfsetospeed(&tio, s);
  if (::tcsetattr(fd_, TCSADRAIN, &tio) != 0) return false;
  baud_ = baud;
  return true;
}

void TtyPort::SendBreak() {
  ::tcsendbreak(fd_, 0);
}

void TtyPort::Flush() {
  ::tcflush(fd_, TCIOFLUSH);
}

void TtyPort::DiscardInput() {
  ::tcflush(fd_, TCIFLUSH);
}

void TtyPort::Drain() {
  ::tcdrain(fd_);
}

void SerialPort::Pause(int ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace wm033::onewire
