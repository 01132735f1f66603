// The simulated MicroLan: emulated chips on one wired-AND line. A reset gets a presence pulse
// when any chip answers; in every time slot each chip drives its bit and the line reads 0 when
// the master or any chip pulls it low. A short holds the line low.
#pragma once

#include <memory>
#include <vector>

#include "onewire/sim/chip.h"

namespace wm033::onewire::sim {

class SimBus {
 public:
  SimChip& Add(std::unique_ptr<SimChip> chip);
  SimChip* Find(const Rom& rom);
  const std::vector<std::unique_ptr<SimChip>>& chips() const { return chips_; }

  void SetShort(bool shorted) { short_ = shorted; }
  bool shorted() const { return short_; }

  // kResetPresence, kResetNoPresence or kResetShort (onewire/link.h).
  int Reset();
  int TouchBit(int bit);
  int TouchByte(int byte);

 private:
  std::vector<std::unique_ptr<SimChip>> chips_;
  bool short_ = false;
};

}  // namespace wm033::onewire::sim
