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
#include <ctime>
#include <thread>

namespace wm033::onewire::sim {

namespace {
using Clock = std::chrono::steady_clock;
using Us = std::chrono::microseconds;
constexpr double kDayCountOfEpoch = 25569.0;  // 1 January 1970 as a day count

Us ByteTime(int baud) {
  return Us(10'000'000 / (baud > 0 ? baud : 9600));  // start, eight data bits, stop
}
}  // namespace

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
  termios tio{};
  if (::tcgetattr(master_, &tio) == 0) {
    ::cfmakeraw(&tio);
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
  bool opened_once = false;
  bool closed = true;
  Clock::time_point closed_since = Clock::now();
  Clock::time_point rx_free = Clock::now(), bus_free = rx_free, tx_free = rx_free;
  Clock::time_point next_second = Clock::now() + std::chrono::seconds(1);
  std::vector<uint8_t> reply;
  uint8_t buf[1024];
  while (!controls.stop.load()) {
    if (Clock::now() >= next_second) {
      next_second = Clock::now() + std::chrono::seconds(1);
      if (every_second) every_second();
    }
    pollfd p{master_, POLLIN, 0};
    const int pr = ::poll(&p, 1, 100);
    if (pr < 0 && errno != EINTR) return;
    if (pr <= 0) continue;
    if ((p.revents & POLLHUP) && !(p.revents & POLLIN)) {
      // Nobody has the slave open: a real adapter loses its power with the port.
      if (!closed) {
        closed = true;
        closed_since = Clock::now();
        chip.Break();
      }
      if (opened_once && linger_ms >= 0 &&
          Clock::now() - closed_since > std::chrono::milliseconds(linger_ms))
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      continue;
    }
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) {
      if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    opened_once = true;
    closed = false;
    if (buf[0] != TIOCPKT_DATA) {
      if (buf[0] & (TIOCPKT_FLUSHREAD | TIOCPKT_FLUSHWRITE)) chip.Break();
      continue;
    }
    const Clock::time_point arrived = Clock::now();
    for (ssize_t i = 1; i < n; ++i) {
      rx_free = std::max(rx_free, arrived) + ByteTime(chip.baud());
      reply.clear();
      const int bus_us = chip.Feed(buf[i], reply);
      bus_free = std::max(rx_free, bus_free) + Us(bus_us);
      for (uint8_t r : reply) {
        tx_free = std::max(bus_free, tx_free) + ByteTime(chip.baud());
        if (controls.timed.load()) std::this_thread::sleep_until(tx_free);
        if (controls.silent.load()) continue;
        if (controls.garble.load() > 0) {
          controls.garble.fetch_sub(1);
          r ^= 0xA5;
        }
        while (::write(master_, &r, 1) < 0 && errno == EAGAIN) {
          std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
      }
    }
    if (!controls.timed.load()) rx_free = bus_free = tx_free = Clock::now();
  }
}

StationPlan PlanFromConfig(const StationConfig& cfg, uint64_t seed) {
  StationPlan plan;
  plan.seed = seed;
  plan.wind_dir_table = cfg.wind_dir_table;
  plan.wind_dir_rotation = cfg.wind_dir_rotation;
  for (int slot = 0; slot < static_cast<int>(cfg.chips.size()); ++slot) {
    const ConfiguredChip& c = cfg.chips[slot];
    if (!c.rom) continue;
    StationSlot s;
    s.slot = slot;
    s.rom = *c.rom;
    s.counter_page = c.counter_page == 15 ? 15 : 14;
    plan.slots.push_back(s);
  }
  return plan;
}

WallClock::WallClock(double rate)
    : rate_(rate > 0 ? rate : 1.0),
      start_us_(std::chrono::duration_cast<Us>(Clock::now().time_since_epoch()).count()) {}

uint32_t WallClock::Ticks() {
  const int64_t us = std::chrono::duration_cast<Us>(Clock::now().time_since_epoch()).count();
  return static_cast<uint32_t>(
      static_cast<int64_t>(static_cast<double>(us - start_us_) / 1000.0 * rate_));
}

double WallClock::Now() {
  return kDayCountOfEpoch + static_cast<double>(std::time(nullptr)) / 86400.0;
}

}  // namespace wm033::onewire::sim
