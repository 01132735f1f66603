#include "onewire/adapters/simulated_link.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

namespace wm033::onewire {

SimulatedLink::SimulatedLink(const sim::StationPlan& plan, sim::SimClock& clock,
                             std::string fixed_faults, std::string faults_file)
    : station_(std::make_unique<sim::SimStation>(plan, clock)),
      fixed_faults_(std::move(fixed_faults)),
      faults_file_(std::move(faults_file)) {
  OnSessionStart();
}

void SimulatedLink::OnSessionStart() {
  if (!faults_file_.empty()) {
    struct stat st {};
    if (::stat(faults_file_.c_str(), &st) != 0) {
      file_mtime_ns_ = -1;
      file_size_ = -1;
      file_text_.clear();
    } else {
      const int64_t mtime =
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
      if (mtime != file_mtime_ns_ || st.st_size != file_size_) {
        file_mtime_ns_ = mtime;
        file_size_ = st.st_size;
        std::ifstream in(faults_file_, std::ios::binary);
        // A fault list is a line or two; a huge file is not one.
        std::string text;
        char c;
        while (text.size() < 65536 && in.get(c)) text += c;
        file_text_ = text;
      }
    }
  }
  problems_.clear();
  sim::FaultSet set = sim::ParseFaults(fixed_faults_ + "," + file_text_, &problems_);
  station_->ApplyFaults(set);
}

int SimulatedLink::Reset() {
  level_ = LineLevel::Normal;
  pull_up_armed_ = false;
  return station_->bus().Reset();
}

int SimulatedLink::TouchBit(int bit) {
  level_ = LineLevel::Normal;  // any traffic ends a strong pull-up
  return station_->bus().TouchBit(bit);
}

int SimulatedLink::TouchByte(int byte) {
  level_ = LineLevel::Normal;
  const int r = station_->bus().TouchByte(byte);
  AfterByte();
  return r;
}

void SimulatedLink::AfterByte() {
  if (pull_up_armed_) {
    pull_up_armed_ = false;
    level_ = LineLevel::StrongPullUp;
  }
}

int SimulatedLink::SetLevel(LineLevel level, LevelStart start) {
  if (level == LineLevel::StrongPullUp && start == LevelStart::AfterNextByte) {
    pull_up_armed_ = true;
    return 0;
  }
  pull_up_armed_ = false;
  level_ = level;
  return static_cast<int>(level);
}

}  // namespace wm033::onewire
