#include "onewire/sim/station.h"

#include <algorithm>
#include <cstdio>

#include "onewire/sim/chips.h"
#include "onewire/sim/station_state.h"
#include "sensors/wind_vane.h"

namespace wm033::onewire::sim {

namespace {

uint32_t StartCount(uint64_t seed, const Rom& rom, uint32_t spread) {
  uint64_t x = seed;
  for (uint8_t b : rom) x = (x ^ b) * 0x100000001B3ULL;
  x ^= x >> 29;
  return spread ? static_cast<uint32_t>(x % spread) : 0;
}

// "28.10A033050000": family, a dot, the six serial number bytes in ROM order.
std::string HostName(const Rom& rom) {
  char b[20];
  std::snprintf(b, sizeof b, "%02X.%02X%02X%02X%02X%02X%02X", rom[0], rom[1], rom[2], rom[3],
                rom[4], rom[5], rom[6]);
  return b;
}

std::string Value(const char* name, double v) {
  char b[48];
  std::snprintf(b, sizeof b, " %s=%.4f", name, v);
  return b;
}

PulseSource SourceOfSlot(int slot) {
  switch (slot) {
    case 5:
      return PulseSource::Rain;
    case 6:
      return PulseSource::Wind;
    case 7:
      return PulseSource::Lightning;
    case 11:
      return PulseSource::OnOff1;
    case 12:
      return PulseSource::OnOff2;
    default:
      return PulseSource::Quiet;
  }
}

}  // namespace

const char* VanePattern(int table, int sector) {
  // The vane tables are the program's own; tables e to g have none and get table a's.
  if (table < 0 || table > 3) table = 0;
  return WindPatternFor(((sector % 16) + 16) % 16, table);
}

double VaneLevelVolts(char level) {
  // With 8 bits on the 5.12 V range: 0.02 V reads 256, 0.30 V 3840, 4.60 V 58624.
  return level == '2' ? 4.60 : level == '1' ? 0.30 : 0.02;
}

SimStation::SimStation(const StationPlan& plan, SimClock& clock)
    : clock_(clock),
      model_(plan.seed),
      table_(plan.wind_dir_table),
      rotation_(plan.wind_dir_rotation % 16),
      state_file_(plan.state_file) {
  const CounterStates saved =
      state_file_.empty() ? CounterStates{} : LoadCounterStates(state_file_);
  for (const StationSlot& s : plan.slots) {
    if (s.slot < 0 || s.slot > 12) continue;
    if (SimChip* existing = bus_.Find(s.rom)) {  // one chip named on two lines
      by_slot_[s.slot] = existing;
      continue;
    }
    const uint8_t family = s.rom[0];
    const int slot = s.slot;
    std::unique_ptr<SimChip> chip;
    const std::string name = HostName(s.rom);
    if (family == kFamilyDS18S20 || family == kFamilyDS18B20) {
      auto celsius = [this, slot] {
        return model_.TemperatureC(slot <= 4 ? slot : 0, clock_.Now());
      };
      chip = std::make_unique<Ds18x20>(s.rom, clock_, celsius);
      truth_.push_back([name, celsius] { return name + Value("temperature", celsius()); });
    } else if (family == kFamilyDS2438) {
      std::function<double()> vad = [] { return 0.0; };
      if (slot == 8) vad = [this] { return model_.PressureVolts(clock_.Now()); };
      if (slot == 9) vad = [this] { return model_.HumidityVolts(clock_.Now()); };
      const int position = slot <= 4 ? slot : slot == 8 ? 1 : 0;
      auto celsius = [this, position] { return model_.TemperatureC(position, clock_.Now()); };
      chip = std::make_unique<Ds2438>(s.rom, clock_, celsius, vad);
      truth_.push_back([name, celsius, vad] {
        return name + Value("temperature", celsius()) + Value("VAD", vad());
      });
    } else if (family == kFamilyDS2423) {
      const PulseSource role = SourceOfSlot(slot);
      auto active =
          std::make_unique<PulseCounter>(model_, role, StartCount(plan.seed, s.rom, 5000));
      auto idle = std::make_unique<PulseCounter>(model_, PulseSource::Quiet,
                                                 StartCount(plan.seed ^ 1, s.rom, 300));
      PulseCounter* a = active.get();
      PulseCounter* b = idle.get();
      if (s.counter_page == 15) std::swap(a, b);
      counters_.push_back(std::move(active));
      counters_.push_back(std::move(idle));
      for (auto [input, counter] : {std::pair<char, PulseCounter*>{'A', a}, {'B', b}}) {
        inputs_.push_back({RomKey(s.rom), input, counter});
        if (auto it = saved.find({RomKey(s.rom), input}); it != saved.end())
          counter->Resume(it->second);
      }
      auto counter = std::make_unique<Ds2423>(
          s.rom, clock_, [this, a] { return CountNow(*a); }, [this, b] { return CountNow(*b); });
      Ds2423* c = counter.get();
      truth_.push_back([name, c] {
        return name + " counters.A=" + std::to_string(c->Counter(14)) +
               " counters.B=" + std::to_string(c->Counter(15));
      });
      chip = std::move(counter);
    } else if (family == kFamilyDS2450) {
      const bool vane = slot == 10;
      auto volts = [this, vane](int ch) {
        if (!vane) return 0.0;
        const char* p = VanePattern(table_, model_.VaneSector(clock_.Now()) - rotation_);
        return VaneLevelVolts(p[ch & 3]);
      };
      chip = std::make_unique<Ds2450>(s.rom, clock_, volts);
      truth_.push_back([name, volts] {
        return name + Value("volt.A", volts(0)) + Value("volt.B", volts(1)) +
               Value("volt.C", volts(2)) + Value("volt.D", volts(3));
      });
    } else {
      continue;  // a family we do not emulate is not on the bus
    }
    by_slot_[slot] = &bus_.Add(std::move(chip));
  }
}

std::vector<std::string> SimStation::Truth() const {
  std::vector<std::string> lines;
  for (const auto& t : truth_) lines.push_back(t());
  return lines;
}

SimStation::~SimStation() {
  SaveCounts();
}

uint32_t SimStation::CountNow(PulseCounter& counter) {
  const uint32_t count = counter.CountAt(clock_.Now());
  const std::optional<CounterState> s = counter.State();
  if (s && (saved_minute_ == INT64_MIN || s->minute - saved_minute_ >= 60)) SaveCounts();
  return count;
}

void SimStation::SaveCounts() {
  if (state_file_.empty()) return;
  CounterStates states;
  int64_t newest = INT64_MIN;
  for (const Input& in : inputs_) {
    if (const std::optional<CounterState> s = in.counter->State()) {
      states[{in.rom, in.input}] = *s;
      newest = std::max(newest, s->minute);
    }
  }
  if (states.empty()) return;
  // A file that cannot be written costs only the counts since the last one that could; it is
  // tried again an hour of the clock later.
  SaveCounterStates(state_file_, states);
  saved_minute_ = newest;
}

SimChip* SimStation::ChipOfLine(char line) {
  const int slot = line - 'k';
  return slot >= 0 && slot < 13 ? by_slot_[slot] : nullptr;
}

void SimStation::ApplyFaults(const FaultSet& faults) {
  bus_.SetShort(faults.bus_short);
  for (auto& chip : bus_.chips()) {
    ChipFaults merged;
    for (int slot = 0; slot < 13; ++slot) {
      if (by_slot_[slot] != chip.get()) continue;
      auto it = faults.by_line.find(static_cast<char>('k' + slot));
      if (it == faults.by_line.end()) continue;
      merged.absent |= it->second.absent;
      merged.bad_crc |= it->second.bad_crc;
      merged.stuck |= it->second.stuck;
      merged.power_on |= it->second.power_on;
      merged.counter_reset |= it->second.counter_reset;
    }
    if (merged == chip->faults()) continue;
    const ChipFaults before = chip->faults();
    chip->faults() = merged;
    chip->OnFaultsChanged(before);
  }
}

}  // namespace wm033::onewire::sim
