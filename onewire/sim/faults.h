// Faults that can be injected into the simulated MicroLan, by configuration line letter:
//   p=absent,k=badcrc,u=stuck,l=poweron,q=reset   and   bus=short
// absent   the chip gives no presence pulse and takes no part in anything
// badcrc   every CRC the chip sends is wrong
// stuck    a conversion never ends (the chip keeps answering "busy")
// poweron  the chip has just lost its power: thermometers answer their power-on 85 degrees
// reset    a counter lost its power: both counters start again from 0 when this appears
// short    the bus is shorted: resets say so and every bit reads 0
#pragma once

#include <map>
#include <string>
#include <vector>

namespace wm033::onewire::sim {

struct ChipFaults {
  bool absent = false;
  bool bad_crc = false;
  bool stuck = false;
  bool power_on = false;
  bool counter_reset = false;
  bool operator==(const ChipFaults&) const = default;
};

struct FaultSet {
  std::map<char, ChipFaults> by_line;  // line letters 'k'..'w'
  bool bus_short = false;
  bool operator==(const FaultSet&) const = default;
};

// Parses a fault list; entries that do not read are named in `problems` and skipped. Letters
// and fault names are taken in either case; commas, semicolons, spaces and line ends separate.
FaultSet ParseFaults(const std::string& text, std::vector<std::string>* problems = nullptr);

}  // namespace wm033::onewire::sim
