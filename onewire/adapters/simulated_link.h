// The simulated MicroLan as an adapter: the emulated station behind the OneWireLink calls. At
// every session start it applies the faults of WM033_SIM_FAULTS and of WM033_SIM_FAULTS_FILE,
// re-reading the file only when its modification time or size changed.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>

#include "onewire/link.h"
#include "onewire/sim/station.h"

namespace wm033::onewire {

class SimulatedLink : public OneWireLink {
 public:
  SimulatedLink(const sim::StationPlan& plan, sim::SimClock& clock, std::string fixed_faults,
                std::string faults_file);

  void OnSessionStart() override;
  int Reset() override;
  int TouchBit(int bit) override;
  int TouchByte(int byte) override;
  int SetLevel(LineLevel level, LevelStart start) override;

  sim::SimStation& station() { return *station_; }
  LineLevel level() const { return level_; }
  // Problems met reading the fault lists (for a message).
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  void AfterByte();
  std::unique_ptr<sim::SimStation> station_;
  std::string fixed_faults_, faults_file_;
  int64_t file_mtime_ns_ = -1;
  off_t file_size_ = -1;
  std::string file_text_;
  LineLevel level_ = LineLevel::Normal;
  bool pull_up_armed_ = false;
  std::vector<std::string> problems_;
};

}  // namespace wm033::onewire
