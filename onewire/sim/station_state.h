// The simulated station's memory across restarts: DS2423 counters are battery-backed and keep
// their counts while the program is stopped. The state of every counter input (chip, input A or
// B, the clock minute and the count at its start) is kept in a small text file in the station
// folder; a counter taken up from it counts the pulses of the minutes since, so a restart never
// looks like a counter reset.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "onewire/rom.h"
#include "onewire/sim/weather_model.h"

namespace wm033::onewire::sim {

// Keyed by the chip's identity (16 hexadecimal digits, family code first) and the input.
using CounterStates = std::map<std::pair<std::string, char>, CounterState>;

std::string RomKey(const Rom& rom);
// The file's text: a heading line, then one line per input: "1D... A <minute> <count>".
std::string FormatCounterStates(const CounterStates& states);
// Reads what it can: lines that do not read are skipped, so a damaged file costs only counts.
CounterStates ParseCounterStates(const std::string& text);
// Reads the file (missing, unreadable or too large: nothing).
CounterStates LoadCounterStates(const std::string& path);
// Writes the file through a temporary file and a rename; false when that failed.
bool SaveCounterStates(const std::string& path, const CounterStates& states);

}  // namespace wm033::onewire::sim
