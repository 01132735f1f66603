// A DS2480B serial 1-Wire line driver in front of the simulated bus: the command decoder and the
// chip's own time line (each byte takes its time on the 1-Wire bus, a pulse its configured
// length, and replies are ready when the bus activity that makes them is over).
//
// After power-on or a master reset the chip is in command mode and waits for the timing byte, a
// reset command at 9600 baud that only calibrates it: it is neither executed nor answered.
//
// Command mode (bit 0 of every command is 1):
//   0ppp vvv1       configuration (ds2480b_config.h)
//   100V SSP1       single bit V at speed SS (00 standard, 01 flexible, 10 overdrive, 11
//                   standard); reply 100V SSbb with the bit read in both low bits; with P a
//                   strong pull-up follows and its end is answered 1110 11bb (EC or EF)
//   101H SS01       search accelerator on (H=1) or off; sets the speed; no reply
//   110x SSx1       1-Wire reset at speed SS; reply 11 V rrr bb: V the 12 V programming supply,
//                   rrr the revision (3), bb 00 shorted, 01 presence, 10 alarming presence,
//                   11 no presence
//   111T 11Q1       pulse: a strong pull-up (T=0, SPUD long) or a programming pulse (T=1, PPD
//                   long) now, and arms (Q=1) or disarms the strong pull-up after every data
//                   byte; the pulse's end is answered 111T 11xx. An armed pull-up stays armed
//                   until a pulse command disarms it.
//   E1              data mode;  E3  nothing (already in command mode);  F1  ends a pulse
//                   early (the pulse then answers); no replies
// Other codes (bit 0 clear, or 111x with a speed other than 11) have no defined meaning; they
// are ignored and counted.
//
// Data mode: every byte becomes eight time slots and is answered with the byte read; E3 then a
// command leaves for command mode, E3 twice is the data byte E3. With the accelerator on a byte
// becomes four search steps of three slots: for each of its bit pairs (discrepancy flag in the
// even bit, direction in the odd bit) read the bit and its complement, write the bit that
// exactly one of them shows, or the host's direction where both read 0 (flag set), or 1 where
// both read 1 (flag set); the reply holds the bits written and the flags. When armed, each data
// byte is followed by a strong pull-up, and its end is answered F6 when the byte's last bit read
// 1, else 76; in data mode the host cannot end it early.
//
// The chip holds one byte while it works on the previous one: a byte that arrives while one
// waits is lost (counted). F1 ends a pulse running in command mode when it arrives. None of the
// emulated chips runs at overdrive speed: at overdrive the bus shows no chip.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "onewire/sim/bus.h"
#include "onewire/sim/ds2480b_config.h"

namespace wm033::onewire::sim {

// A reply byte, ready at `at_us`, sent at `baud`.
struct ChipOutput {
  int64_t at_us = 0;
  uint8_t byte = 0;
  int baud = 9600;
};

class Ds2480bEmulator {
 public:
  explicit Ds2480bEmulator(SimBus& bus) : bus_(bus) { PowerOn(); }

  // 12 V on the VPP pin: bit 5 of every reset reply (CD without, ED with).
  void set_vpp(bool present) { vpp_ = present; }
  // Untimed: every byte and pulse takes no time (fast tests).
  void set_timed(bool timed) { timed_ = timed; }

  // Power-on, a break, or a character with start polarity in place of its stop bit: the master
  // reset cycle, back to the power-on state.
  void PowerOn();
  void PowerOff() { powered_ = false; }
  bool powered() const { return powered_; }

  // A character received completely at `at_us` (times never go back).
  void Receive(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out);
  // Carries out what ends by `now_us` (a pulse running out, a waiting byte).
  void Advance(int64_t now_us, std::vector<ChipOutput>& out);
  // When Advance next has something to do; kForeverUs when nothing.
  int64_t NextEventUs() const;

  int baud() const { return config_.baud(); }
  bool rxd_inverted() const { return config_.rxd_inverted(); }
  bool calibrated() const { return calibrated_; }
  bool data_mode() const { return data_mode_; }
  bool armed() const { return armed_; }
  bool accelerator() const { return accelerator_; }
  bool pulse_running() const { return pulse_.active; }
  const Ds2480bConfig& config() const { return config_; }

  // Counts for tests and benchmarks (safe to read from another thread).
  int ignored() const { return ignored_.load(); }
  int overruns() const { return overruns_.load(); }
  int64_t bus_slots() const { return slots_.load(); }
  int64_t bus_resets() const { return resets_.load(); }

 private:
  struct Pulse {
    bool active = false;
    bool stoppable = false;  // F1 ends it (it runs in command mode)
    int64_t end_us = 0;
    uint8_t reply = 0;
  };
  struct Waiting {
    uint8_t byte;
    int64_t at_us;
  };

  void Start(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out);
  // Each gives the microseconds its bus activity takes and appends its reply (at the end).
  int64_t Command(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out);
  int64_t DataByte(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out);
  int64_t SearchByte(uint8_t byte, int64_t at_us, std::vector<ChipOutput>& out);
  void StartPulse(int64_t begin_us, int64_t length_us, bool stoppable, uint8_t reply);
  void EndPulse(int64_t at_us, std::vector<ChipOutput>& out);
  void Emit(int64_t at_us, uint8_t byte, std::vector<ChipOutput>& out) const;

  int BusReset();
  int BusBit(int bit);
  int64_t Us(int64_t us) const { return timed_ ? us : 0; }

  SimBus& bus_;
  Ds2480bConfig config_;
  bool vpp_ = false;
  bool timed_ = true;
  bool powered_ = true;
  bool calibrated_ = false;
  bool data_mode_ = false;
  bool e3_seen_ = false;  // data mode: E3 received, the next byte decides
  bool accelerator_ = false;
  bool armed_ = false;
  WireSpeed speed_ = WireSpeed::Standard;
  Pulse pulse_;
  int64_t busy_until_ = 0;
  std::optional<Waiting> waiting_;
  std::atomic<int> ignored_{0}, overruns_{0};
  std::atomic<int64_t> slots_{0}, resets_{0};
};

}  // namespace wm033::onewire::sim
