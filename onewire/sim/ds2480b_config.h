// The DS2480B's configuration: the seven parameters that configuration commands write and read
// back, their power-on values, and the 1-Wire times that follow from them.
//
// A configuration command has bit 7 clear and bit 0 set; bits 6-4 name the parameter (000 reads
// one back) and bits 3-1 carry the value code (or, for a read, the parameter code).
//   param 1 PDSRC  pull-down slew rate     15 2.2 1.65 1.37 1.1 0.83 0.7 0.55 V/us  (15)
//         2 PPD    programming pulse      32 64 128 256 512 1024 2048 us, infinite (512 us)
//         3 SPUD   strong pull-up         16.4 65.5 131 262 524 1048 ms, dynamic, infinite (524 ms)
//         4 W1LT   write-1 low time       8..15 us (8 us)
//         5 DSO    sample offset and write-0 recovery 3..10 us (3 us)
//         6 LOAD   load sensor threshold  1.8..3.9 mA (3.0 mA)
//         7 RBR    baud rate              9600 19200 57600 115200, codes 4-7 the same with RXD
//                                         inverted (9600)
// A write is answered by the command with bit 0 clear; a read by 0000 vvv0 (the upper four bits
// as sent, the value code in bits 3-1).
// Standard and flexible resets take 512 + 584 us, overdrive 64 + 74 us. Time slots: standard
// 60 us; flexible write-1/read W1LT + DSO + 49 us and write-0 57 us + DSO; overdrive 10 us.
#pragma once

#include <array>
#include <cstdint>
#include <limits>

namespace wm033::onewire::sim {

constexpr int64_t kForeverUs = std::numeric_limits<int64_t>::max();

enum class WireSpeed { Standard = 0, Flexible = 1, Overdrive = 2 };

// Parameter codes.
constexpr int kParamPullDownSlew = 1;
constexpr int kParamProgPulse = 2;
constexpr int kParamStrongPullUp = 3;
constexpr int kParamWrite1Low = 4;
constexpr int kParamSampleOffset = 5;
constexpr int kParamLoadSensor = 6;
constexpr int kParamBaudRate = 7;

// Value codes with a meaning of their own.
constexpr uint8_t kPulseDynamic = 6;   // strong pull-up until the load sensor sees the load drop
constexpr uint8_t kPulseInfinite = 7;  // until the host ends it
constexpr uint8_t kBaudInverted = 4;   // RBR codes 4-7: RXD polarity inverted

class Ds2480bConfig {
 public:
  Ds2480bConfig() { PowerOn(); }
  // The hard-wired values after power-on or a master reset.
  void PowerOn();
  // Applies a configuration command (bit 7 clear, bit 0 set) and gives its reply byte.
  uint8_t Apply(uint8_t command);
  uint8_t value(int param) const { return values_[param & 7]; }

  int baud() const;
  bool rxd_inverted() const { return (values_[kParamBaudRate] & kBaudInverted) != 0; }

  int ResetUs(WireSpeed speed) const;
  // One time slot writing `bit` (1 also reads).
  int SlotUs(WireSpeed speed, int bit) const;
  // Strong pull-up and programming pulse lengths; kForeverUs for infinite; 0 for dynamic (no
  // emulated chip draws the current the load sensor watches for).
  int64_t StrongPullUpUs() const;
  int64_t ProgPulseUs() const;

 private:
  std::array<uint8_t, 8> values_{};
};

}  // namespace wm033::onewire::sim
