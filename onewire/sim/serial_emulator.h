// The DS2480B emulator on a pseudo-terminal: the host opens the slave side as its serial port;
// we read the master side, feed the byte machine, and send each reply when its bytes would have
// arrived at the selected baud rate (the bus time of each byte included), so that bus time can be
// measured as on a real adapter. A flush of the slave's buffers (which a host does around a
// break) puts the chip back into its power-on state, as the break would.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "onewire/sim/ds2480b_emulator.h"
#include "onewire/sim/station.h"
#include "onewire/station_config.h"

namespace wm033::onewire::sim {

// Test and tool controls, safe to change from another thread.
struct EmulatorControls {
  std::atomic<bool> stop{false};
  std::atomic<bool> silent{false};  // replies are dropped
  std::atomic<int> garble{0};       // this many reply bytes are corrupted
  std::atomic<bool> timed{true};    // sleep for the bytes' time at the baud rate
};

class PtyEmulator {
 public:
  PtyEmulator() = default;
  ~PtyEmulator();
  PtyEmulator(const PtyEmulator&) = delete;
  PtyEmulator& operator=(const PtyEmulator&) = delete;

  // Opens the pseudo-terminal; false with a message.
  bool Open(std::string& error);
  const std::string& slave_path() const { return slave_path_; }

  // Serves the chip until `controls.stop`, or until the slave side, once opened, has been closed
  // for `linger_ms` (negative: never). `every_second` runs about once a second (fault lists).
  void Run(Ds2480bEmulator& chip, EmulatorControls& controls, int linger_ms,
           const std::function<void()>& every_second = {});

 private:
  int master_ = -1;
  std::string slave_path_;
};

// The simulated station that a sensor configuration names, as the program builds it.
StationPlan PlanFromConfig(const StationConfig& cfg, uint64_t seed);

// Wall-clock time for the emulated chips, its tick counter running `rate` times as fast (the
// program's WM033_CLOCK_RATE), so conversions end when the program's waits do.
class WallClock : public SimClock {
 public:
  explicit WallClock(double rate = 1.0);
  uint32_t Ticks() override;
  double Now() override;

 private:
  double rate_;
  int64_t start_us_;
};

}  // namespace wm033::onewire::sim
