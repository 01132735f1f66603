#include "onewire/sim/serial_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <thread>

#include "onewire/sim/uart_frames.h"

namespace wm033::onewire::sim {

namespace {

int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A reply on its way to the host.
struct InFlight {
  int64_t at_us;  // when it reaches the host
  uint8_t byte;
  int baud;  // the rate the chip sent it at
  bool inverted;
};

}  // namespace

int BaudOfSpeed(unsigned speed) {
  switch (speed) {
    case B1200:
      return 1200;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    case B230400:
      return 230400;
    default:
      return 0;
  }
}

void PtyEmulator::Trace(const char* what, int64_t at_us, int value) {
  if (!trace_) return;
  std::fprintf(trace_, "%lld.%03lld %s %02X\n", static_cast<long long>(at_us / 1000),
               static_cast<long long>(at_us % 1000), what, value & 0xFF);
  std::fflush(trace_);
}

PtyEmulator::~PtyEmulator() {
  if (master_ >= 0) ::close(master_);
}

bool PtyEmulator::Open(std::string& error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  char name[128] = {};
  if (::ptsname_r(master_, name, sizeof name) != 0) {
    error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  slave_path_ = name;
  // The slave starts raw at 9600 baud, as a serial port a host has not set up yet.
  termios tio{};
  if (::tcgetattr(master_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    ::tcsetattr(master_, TCSANOW, &tio);
  }
  // Packet mode tells us when the host flushes its buffers.
  int on = 1;
  ::ioctl(master_, TIOCPKT, &on);
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  return true;
}

void PtyEmulator::Run(Ds2480bEmulator& chip, EmulatorControls& controls, int linger_ms,
                      const std::function<void()>& every_second) {
  bool open = false, opened_once = false;
  int64_t closed_since = NowUs();
  int64_t line_free = 0, tx_free = 0;
  int64_t next_second = NowUs() + 1'000'000;
  std::deque<InFlight> in_flight;
  std::vector<ChipOutput> outs;
  uint8_t buf[1024];

  auto host_speeds = [this](int& out_baud, int& in_baud, bool& ignore_par) {
    termios t{};
    if (::tcgetattr(master_, &t) != 0) {
      out_baud = in_baud = 9600;
      ignore_par = false;
      return;
    }
    out_baud = BaudOfSpeed(cfgetospeed(&t));
    in_baud = BaudOfSpeed(cfgetispeed(&t));
    if (in_baud == 0) in_baud = out_baud;
    ignore_par = (t.c_iflag & IGNPAR) != 0;
  };

  // Replies leave the chip one after another at its rate and arrive after the latency.
  auto schedule = [&](bool timed) {
    const int64_t latency = timed ? controls.latency_us.load() : 0;
    for (const ChipOutput& o : outs) {
      const int64_t start = std::max(o.at_us, tx_free);
      tx_free = start + (timed ? CharacterUs(o.baud) : 0);
      int64_t at = tx_free + latency;
      if (!in_flight.empty()) at = std::max(at, in_flight.back().at_us);
      in_flight.push_back(InFlight{at, o.byte, o.baud, chip.rxd_inverted()});
    }
    outs.clear();
  };

  auto deliver = [&](const InFlight& f) {
    int out_baud = 0, in_baud = 0;
    bool ignore_par = false;
    host_speeds(out_baud, in_baud, ignore_par);
    if (f.inverted) return;  // an inverted RXD line is nothing a UART can read
    for (const UartFrame& frame : ReceiveAtRate(f.byte, f.baud, in_baud)) {
      if (frame.framing_error && ignore_par) continue;
      uint8_t b = frame.framing_error ? 0x00 : frame.byte;
      if (controls.silent.load()) continue;
      if (controls.garble.load() > 0) {
        controls.garble.fetch_sub(1);
        b ^= 0xA5;
      }
      Trace("out", NowUs(), b);
      while (::write(master_, &b, 1) < 0 && errno == EAGAIN)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      ++stats_.sent;
    }
  };

  while (!controls.stop.load()) {
    const bool timed = controls.timed.load();
    chip.set_timed(timed);
    int64_t now = NowUs();
    if (now >= next_second) {
      next_second = now + 1'000'000;
      if (every_second) every_second();
    }
    while (!in_flight.empty() && in_flight.front().at_us <= now) {
      deliver(in_flight.front());
      in_flight.pop_front();
    }
    if (open && chip.NextEventUs() <= now) {
      chip.Advance(now, outs);
      schedule(timed);
      continue;
    }

    int64_t wake = now + 100'000;
    if (!in_flight.empty()) wake = std::min(wake, in_flight.front().at_us);
    if (open) wake = std::min(wake, chip.NextEventUs());
    const int64_t wait_us = std::max<int64_t>(0, wake - now);
    timespec ts{static_cast<time_t>(wait_us / 1'000'000),
                static_cast<long>((wait_us % 1'000'000) * 1000)};
    pollfd p{master_, POLLIN, 0};
    const int pr = ::ppoll(&p, 1, &ts, nullptr);
    if (pr < 0 && errno != EINTR) return;
    if (pr < 0) continue;
    now = NowUs();

    if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) {
      // Nobody holds the port: the DTR and RTS lines that power a DS9097U are down.
      if (open) {
        open = false;
        chip.PowerOff();
        Trace("power-off", now, 0);
        in_flight.clear();
        closed_since = now;
      }
      if (opened_once && linger_ms >= 0 && now - closed_since > int64_t{linger_ms} * 1000) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    if (!open) {
      open = opened_once = true;
      chip.PowerOn();
      ++stats_.power_ups;
      Trace("power-on", now, 0);
      line_free = tx_free = now;
    }
    if (!(p.revents & POLLIN)) continue;

    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) {
      if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    if (buf[0] != TIOCPKT_DATA) {
      if (buf[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) {
        ++stats_.flushes;
        Trace("flush", now, buf[0]);
      }
      continue;
    }
    int out_baud = 0, in_baud = 0;
    bool ignore_par = false;
    host_speeds(out_baud, in_baud, ignore_par);
    for (ssize_t i = 1; i < n; ++i) {
      ++stats_.received;
      Trace(out_baud == chip.baud() ? "in" : "in-at-other-rate", now, buf[i]);
      int64_t at = now;
      if (timed) {
        line_free = std::max(line_free, now) + CharacterUs(out_baud);
        at = line_free;
      }
      for (const UartFrame& f : ReceiveAtRate(buf[i], out_baud, chip.baud())) {
        if (f.framing_error) {
          chip.PowerOn();  // start polarity in place of the stop bit: a master reset
          ++stats_.master_resets;
        } else {
          chip.Receive(f.byte, at, outs);
        }
      }
    }
    schedule(timed);
  }
}

}  // namespace wm033::onewire::sim
