#include "app/slot_table.h"

#include <algorithm>

namespace wm033 {

std::vector<SlotStep> SlotSteps(int slot) {
  auto in = [slot](std::initializer_list<int> slots) {
    return std::find(slots.begin(), slots.end(), slot) != slots.end();
  };
  using A = SlotAction;
  if (in({0, 61})) return {{A::MachineComment, kNoChannel}};
  if (in({2, 34})) return {{A::Tture0, 0}};
  if (slot == 14) return {{A::Tture1, 1}};
  if (slot == 24) return {{A::Tture2, 2}};
  if (slot == 44) return {{A::Tture3, 3}};
  if (slot == 54) return {{A::Tture4, 4}};
  if (slot == 3) return {{A::Lightning, 7}, {A::OnOff1, 11}, {A::OnOff2, 12}};
  if (slot == 32) return {{A::Lightning, 7}};
  if (in({4, 31})) return {{A::Humidity, 9}};
  if (in({11, 21, 41, 51})) return {{A::Pressure, 8}};
  if (slot == 7) return {{A::RainfallTrapped, 5}};
  if (in({17, 27, 37, 47, 57})) return {{A::Rainfall, 5}};
  if (in({10, 20, 30, 40, 62})) return {{A::WindSpeed, 6}};
  if (in({5, 6, 8, 12, 15, 16, 18, 22, 25, 26, 28, 35, 36, 38, 42, 45, 46, 48, 52, 55, 56, 58}))
    return {{A::WindDir, 10}};
  if (in({9, 19, 29, 39, 49, 59})) return {{A::WindTallies, 10}};
  if (slot == 60) return {{A::ExpireMessages, kNoChannel}};
  return {};  // slots 1, 13, 23, 33, 43, 50 and 53 are empty
}

std::vector<SlotAction> SlotActions(int slot, const std::array<bool, 13>& enabled) {
  std::vector<SlotAction> out;
  for (const SlotStep& s : SlotSteps(slot))
    if (s.channel == kNoChannel || enabled[static_cast<size_t>(s.channel)]) out.push_back(s.action);
  return out;
}

}  // namespace wm033
