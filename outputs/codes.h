// What the error codes of the device routines mean, for the health page and the journal. Each
// routine numbers its own steps, so a code is read with the kind of chip its line holds.
#pragma once

#include <cstdint>
#include <string>

namespace wm033::outputs {

enum class LineKind {
  kThermometer,  // lines k to o: DS18S20, DS18B20 or DS2438
  kCounter,      // lines p, q, r, v, w: DS2423
  kAnalogue,     // lines s and t: DS2438 input voltage
  kVane,         // line u: DS2450
};

LineKind KindOfLine(int line);

// A short explanation of a failure code on a line of that kind ("the chip did not answer when
// selected: missing, or its wiring"); a general text for a code the routines do not give.
std::string CodeMeaning(LineKind kind, uint16_t code);

}  // namespace wm033::outputs
