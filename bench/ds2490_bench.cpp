// Bus time of the device routines through the DS2490 driver and the DS2490 emulator on the demo
// station. The emulator's time is a model: every USB transfer (control request, bulk packet,
// status poll) takes a 1 ms full-speed frame, and the 1-Wire work its slots at regular speed
// (65 us a slot, 68 us for a written 0, 1024 us a reset). The routines run on the device layer
// alone, with no form. The reported time (manual time) is the modelled bus time of one call,
// without the routine's own waits (the conversion waits); counters:
//   floor_ms   the same bus activity as bare time slots at standard speed: 60 us a slot, 960 us
//              a reset (counted by the emulator)
//   x_floor    bus time / floor
//   wire_ms    the 1-Wire slots and resets at the DS2490's regular-speed timing
//   transfers  USB transfers per call
//   cycle_ms   bus time and waits, what a cycle spends
// Run: build/bin/wm033_bench --benchmark_filter=Ds2490
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>

#include "onewire/adapters/ds2490.h"
#include "onewire/device_routines.h"
#include "onewire/link_tmex.h"
#include "onewire/sim/ds2490_emulator.h"
#include "onewire/sim/station.h"
#include "onewire/station_config.h"
#include "onewire/tmex_factory.h"
#include "tests/fake_platform.h"

namespace {

using namespace wm033;
using namespace wm033::onewire;

// One clock for the routines' waits, the emulated chips and the emulator, in microseconds.
struct BenchClock : sim::SimClock, sim::EmulatorClock {
  explicit BenchClock(testing::FakePlatform& p) : platform(p) {}
  uint32_t Ticks() override { return platform.tick; }
  double Now() override { return platform.now; }
  uint64_t NowUs() override { return uint64_t{platform.tick} * 1000 + sub_us; }
  void Spend(uint64_t us) override {
    sub_us += us;
    platform.Advance(static_cast<uint32_t>(sub_us / 1000));
    sub_us %= 1000;
  }
  testing::FakePlatform& platform;
  uint64_t sub_us = 0;
};

class BenchRoutines : public DeviceRoutines {
 public:
  using DeviceRoutines::DeviceRoutines;
  void ReportError(const std::string&) override { ++reports; }
  void ReportDallasError(const std::string&, uint16_t, int32_t) override { ++reports; }
  void ShowTrap(const std::string&) override { ++reports; }
  int reports = 0;
  std::array<uint8_t, kChipSlots> pages{};  // counter pages of the counter lines
};

StationConfig DemoConfig() {
  std::vector<std::string> lines;
  std::string here = __FILE__;  // bench/ds2490_bench.cpp in the source tree
  ReadLines(here.substr(0, here.rfind('/')) + "/../demo/WM033ini.txt", lines);
  return ParseStationConfig(lines);
}

// The platform's waits, so that they can be told from bus time.
struct WaitingPlatform : testing::FakePlatform {
  void WaitForEvents(uint32_t ms) override {
    waited_ms += ms == 0 ? 1 : ms;
    FakePlatform::WaitForEvents(ms);
  }
  void ProcessMessages() override {
    waited_ms += ms_per_process;
    FakePlatform::ProcessMessages();
  }
  uint64_t waited_ms = 0;
};

struct Rig {
  explicit Rig(uint32_t frame_us) : cfg(DemoConfig()), clock(platform), routines(platform) {
    std::array<Rom, kChipSlots> roms{};
    std::array<std::string, kChipSlots> ids;
    std::array<uint8_t, kChipSlots> pages{};
    for (int s = 0; s < kChipSlots; ++s) {
      roms[s] = cfg.chips[s].rom.value_or(Rom{});
      ids[s] = cfg.chips[s].id;
      pages[s] = cfg.chips[s].counter_page;
      routines.pages[s] = pages[s];
      routines.sChipId[s] = ids[s];
      routines.bChipRom[s] = roms[s];
      routines.bChipEnabled[s] = cfg.chips[s].enabled;
    }
    routines.siPortNum = 1;
    routines.siPortType = 6;
    station = std::make_unique<sim::SimStation>(
        PlanFromChips(20120823, cfg.wind_dir_table, cfg.wind_dir_rotation, roms, ids, pages),
        clock);
    chip = std::make_unique<sim::Ds2490Emulator>(station->bus(), &clock);
    chip->set_frame_us(frame_us);
    LinkOpener open = [this](int16_t, int16_t, std::string& e) -> std::unique_ptr<OneWireLink> {
      auto link = std::make_unique<Ds2490Link>([this](std::string&) {
        struct Ref : UsbTransfer {
          explicit Ref(UsbTransfer& u) : u(u) {}
          int Control(uint8_t r, uint16_t v, uint16_t i) override { return u.Control(r, v, i); }
          int BulkOut(const uint8_t* d, size_t n) override { return u.BulkOut(d, n); }
          int BulkIn(uint8_t* d, size_t n) override { return u.BulkIn(d, n); }
          int Status(uint8_t* d, size_t n) override { return u.Status(d, n); }
          UsbTransfer& u;
        };
        return std::make_unique<Ref>(*chip);
      });
      if (!link->Open(e)) return nullptr;
      return link;
    };
    routines.UseTmex(std::make_unique<LinkTmex>(open, [](const std::string&) {}));
  }
  StationConfig cfg;
  WaitingPlatform platform;
  BenchClock clock;
  BenchRoutines routines;
  std::unique_ptr<sim::SimStation> station;
  std::unique_ptr<sim::Ds2490Emulator> chip;
};

// Runs `routine` (which gives its error code) and reports its modelled bus time.
void Measure(benchmark::State& state, const std::function<uint16_t(BenchRoutines&)>& routine) {
  Rig rig(static_cast<uint32_t>(state.range(0)));
  if (routine(rig.routines) != 0) {  // the first call opens the adapter
    state.SkipWithError("the routine failed");
    return;
  }
  double bus_ms = 0, floor_ms = 0, cycle_ms = 0, transfers = 0, wire_ms = 0;
  uint16_t code = 0;
  for (auto _ : state) {
    const uint64_t start_us = rig.clock.NowUs(), waited = rig.platform.waited_ms;
    const int64_t slots = rig.chip->bus_slots(), resets = rig.chip->bus_resets(),
                  xfers = rig.chip->transfers();
    const uint64_t wire_us = rig.chip->bus_us();
    code = static_cast<uint16_t>(code | routine(rig.routines));
    const double total_ms = static_cast<double>(rig.clock.NowUs() - start_us) / 1000.0;
    const double bus = total_ms - static_cast<double>(rig.platform.waited_ms - waited);
    state.SetIterationTime(bus / 1000.0);
    bus_ms += bus;
    cycle_ms += total_ms;
    floor_ms += 0.060 * static_cast<double>(rig.chip->bus_slots() - slots) +
                0.960 * static_cast<double>(rig.chip->bus_resets() - resets);
    transfers += static_cast<double>(rig.chip->transfers() - xfers);
    wire_ms += static_cast<double>(rig.chip->bus_us() - wire_us) / 1000.0;
  }
  if (code != 0 || rig.routines.reports != 0) state.SkipWithError("the routine failed");
  const double n = static_cast<double>(state.iterations());
  state.counters["floor_ms"] = floor_ms / n;
  state.counters["x_floor"] = bus_ms / floor_ms;
  state.counters["transfers"] = transfers / n;
  state.counters["wire_ms"] = wire_ms / n;
  state.counters["cycle_ms"] = cycle_ms / n;
}

uint16_t Count(BenchRoutines& f, int slot) {
  uint32_t count;
  uint16_t code = 0;
  int32_t dall;
  f.DMLGetCount(static_cast<uint8_t>(slot), f.pages[slot], count, code, dall);
  return code;
}

// One byte through the TMEX call, in an open session.
void BM_Ds2490TouchByte(benchmark::State& state) {
  int32_t handle = 0;
  Measure(state, [&handle](BenchRoutines& f) -> uint16_t {
    Tmex& t = f.tmex();
    if (handle < 1) {
      handle = t.TMExtendedStartSession(f.siPortNum, f.siPortType, nullptr);
      if (handle < 1 || t.TMSetup(handle) != 1) return 1;
    }
    return t.TMTouchByte(handle, 0xFF) < 0 ? 1 : 0;
  });
}

void BM_Ds2490DMLGetCount(benchmark::State& state) {
  Measure(state, [](BenchRoutines& f) { return Count(f, 6); });
}

// The slot-3 cycle: lightning and the two on/off counters.
void BM_Ds2490Slot3Cycle(benchmark::State& state) {
  Measure(state, [](BenchRoutines& f) {
    return static_cast<uint16_t>(Count(f, 7) | Count(f, 11) | Count(f, 12));
  });
}

void BM_Ds2490TakeABNWTture(benchmark::State& state) {
  Measure(state, [](BenchRoutines& f) {
    uint16_t code = 0;
    float t;
    f.TakeABNWTture(0, code, t);
    return code;
  });
}

void BM_Ds2490Read2438(benchmark::State& state) {
  Measure(state, [](BenchRoutines& f) {
    float v, t;
    uint16_t code = 0;
    int16_t dall;
    f.Read2438(8, v, t, code, dall);
    return code;
  });
}

void BM_Ds2490DMLGet2540ADC(benchmark::State& state) {
  Measure(state, [](BenchRoutines& f) {
    uint16_t a, b, c, d, code = 0;
    int32_t dall;
    if (!f.bWindAdcReady) {
      f.DML2450Init(10, code, dall);
      if (code != 0) return code;
    }
    f.DMLGet2540ADC(10, a, b, c, d, code, dall);
    return code;
  });
}

void BM_Ds2490DML2450Init(benchmark::State& state) {
  Measure(state, [](BenchRoutines& f) {
    uint16_t code = 0;
    int32_t dall;
    f.DML2450Init(10, code, dall);
    return code;
  });
}

void Arguments(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->UseManualTime()->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_Ds2490TouchByte)->Apply(Arguments);
BENCHMARK(BM_Ds2490DMLGetCount)->Apply(Arguments);
BENCHMARK(BM_Ds2490Slot3Cycle)->Apply(Arguments);
BENCHMARK(BM_Ds2490TakeABNWTture)->Apply(Arguments);
BENCHMARK(BM_Ds2490Read2438)->Apply(Arguments);
BENCHMARK(BM_Ds2490DML2450Init)->Apply(Arguments);
BENCHMARK(BM_Ds2490DMLGet2540ADC)->Apply(Arguments);

}  // namespace
