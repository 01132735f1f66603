#include "onewire/sim/bus.h"

#include "onewire/link.h"

namespace wm033::onewire::sim {

SimChip& SimBus::Add(std::unique_ptr<SimChip> chip) {
  chips_.push_back(std::move(chip));
  return *chips_.back();
}

SimChip* SimBus::Find(const Rom& rom) {
  for (auto& c : chips_)
    if (c->rom() == rom) return c.get();
  return nullptr;
}

int SimBus::Reset() {
  bool presence = false;
  for (auto& c : chips_) presence = c->Reset() || presence;
  if (short_) return kResetShort;
  return presence ? kResetPresence : kResetNoPresence;
}

int SimBus::TouchBit(int bit) {
  int line = bit ? 1 : 0;
  for (auto& c : chips_) line &= c->Drive(bit);
  if (short_) line = 0;
  for (auto& c : chips_) c->Sample(line);
  return line;
}

int SimBus::TouchByte(int byte) {
  int out = 0;
  for (int i = 0; i < 8; ++i)
    if (TouchBit((byte >> i) & 1)) out |= 1 << i;
  return out;
}

}  // namespace wm033::onewire::sim
