// Which device work each of the cycle's 63 slots does, and under which channel's enable flag.
#pragma once

#include <array>
#include <vector>

namespace wm033 {

enum class SlotAction {
  MachineComment,
  Tture0,
  Tture1,
  Tture2,
  Tture3,
  Tture4,
  Lightning,
  OnOff1,
  OnOff2,
  Humidity,
  Pressure,
  RainfallTrapped,  // slot 7: inside the cycle's own error trap
  Rainfall,
  WindSpeed,
  WindDir,
  WindTallies,
  ExpireMessages,
};

constexpr int kCycleSlots = 63;
constexpr int kNoChannel = -1;

struct SlotStep {
  SlotAction action;
  int channel;  // the channel whose enable flag guards the step, or kNoChannel
};

// The steps of a slot (0..62), in order; empty for the idle slots.
std::vector<SlotStep> SlotSteps(int slot);
// The steps that run in a slot with the given channels enabled.
std::vector<SlotAction> SlotActions(int slot, const std::array<bool, 13>& enabled);

}  // namespace wm033
