// A DS2480B serial line driver in front of the simulated bus: the byte machine (command and
// data modes, 0xE3 doubling, resets, single bits, the search accelerator, strong pull-up pulses,
// the configuration registers with their read-back and the baud-rate change), and the time that
// each byte keeps the 1-Wire bus busy.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "onewire/sim/bus.h"

namespace wm033::onewire::sim {

class Ds2480bEmulator {
 public:
  explicit Ds2480bEmulator(SimBus& bus) : bus_(bus) {}

  // One byte from the host: appends the reply bytes (if any) to `reply` and gives the bus time
  // the byte took, in microseconds.
  int Feed(uint8_t byte, std::vector<uint8_t>& reply);
  // A break (or the port closing): back to the power-on state, waiting for the timing byte.
  void Break();

  int baud() const;
  bool data_mode() const { return data_mode_; }
  bool pulse_running() const { return pulse_running_; }
  // Bytes seen that the command set has no meaning for (the tests look at it).
  int ignored() const { return ignored_; }

 private:
  int Command(uint8_t byte, std::vector<uint8_t>& reply);
  int Data(uint8_t byte, std::vector<uint8_t>& reply);
  int AcceleratedByte(uint8_t byte, std::vector<uint8_t>& reply);

  SimBus& bus_;
  bool calibrated_ = false;
  bool data_mode_ = false;
  bool e3_pending_ = false;
  bool accelerator_ = false;
  bool pulse_running_ = false;
  bool pulse_armed_ = false;
  std::array<uint8_t, 8> params_{};
  int ignored_ = 0;
};

}  // namespace wm033::onewire::sim
