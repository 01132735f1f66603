// Bus time of the device routines through the DS2480B driver and our emulator, which takes each
// character's time on the serial line and each byte's time on the 1-Wire bus, as a real adapter
// does, and adds a USB-serial converter's latency to every reply. Each routine runs at 9600 and
// at 115200 baud with 0, 1 and 16 ms of latency. Counters:
//   bus_ms    wall time less the routine's own waits (conversion waits)
//   floor_ms  the same bus activity as bare time slots at standard speed: 60 us a time slot,
//             960 us a reset (counted by the emulator)
//   x_floor   bus_ms / floor_ms (goal: 2.5 or less at 1 ms of latency)
//   cycle_ms  wall time with the waits, what a cycle spends (goal: inside the 1.6 s tick at
//             16 ms of latency; the slot-3 cycle reads three counters)
// Run: build/bin/wm033_bench --benchmark_filter=Ds2480b
#include <benchmark/benchmark.h>

#include <chrono>
#include <functional>
#include <thread>

#include "app/wm033f1.h"
#include "onewire/adapters/ds2480b.h"
#include "onewire/adapters/simulated_link.h"
#include "onewire/link_tmex.h"
#include "onewire/sim/serial_emulator.h"
#include "platform/headless_platform.h"

namespace {

using namespace wm033;
using namespace wm033::onewire;

StationConfig DemoConfig() {
  std::vector<std::string> lines;
  std::string here = __FILE__;  // bench/adapter_bench.cpp in the source tree
  here = here.substr(0, here.rfind('/'));
  ReadLines(here + "/../demo/WM033ini.txt", lines);
  return ParseStationConfig(lines);
}

// The demo station behind the emulator, and a form whose TMEX calls go through the driver at a
// chosen baud rate.
struct Rig {
  Rig(int baud, int latency_ms)
      : cfg(DemoConfig()),
        station(sim::PlanFromConfig(cfg, 20120823), clock, "", ""),
        chip(station.station().bus()) {
    std::string error;
    pty.Open(error);
    controls.timed = true;
    controls.latency_us = latency_ms * 1000;
    thread = std::thread([this] { pty.Run(chip, controls, -1); });
    env = Environment::FromPairs({}, "/tmp");
    platform = std::make_unique<HeadlessPlatform>(env);
    form = std::make_unique<TWM033f1>(*platform, env, control, errdisp);
    form->liCycleCount = 100;
    form->siPortNum = cfg.port_num;
    form->siPortType = cfg.port_type;
    form->bWindDirTable = cfg.wind_dir_table;
    for (int s = 0; s < kChannels; ++s) {
      form->sChipId[s] = cfg.chips[s].id;
      form->bChipRom[s] = *cfg.chips[s].rom;
      form->bChipEnabled[s] = cfg.chips[s].enabled;
      form->bCounterPage[s] = cfg.chips[s].counter_page;
    }
    const std::string path = pty.slave_path();
    const int fast = baud > 9600 ? baud : 0;
    LinkOpener open = [path, fast](int16_t, int16_t,
                                   std::string& e) -> std::unique_ptr<OneWireLink> {
      auto link = std::make_unique<Ds2480bLink>(
          [path](std::string& err) -> std::unique_ptr<SerialPort> {
            return TtyPort::Open(path, err);
          },
          nullptr, fast);
      link->set_fast_latency_limit_ms(1000);  // the figures at 115200 even where 9600 is faster
      if (!link->Open(e)) return nullptr;
      return link;
    };
    form->UseTmex(std::make_unique<LinkTmex>(open, [](const std::string&) {}));
  }
  ~Rig() {
    form.reset();
    controls.stop = true;
    thread.join();
  }
  StationConfig cfg;
  sim::WallClock clock;
  SimulatedLink station;
  sim::Ds2480bEmulator chip;
  sim::PtyEmulator pty;
  sim::EmulatorControls controls;
  std::thread thread;
  Environment env;
  std::unique_ptr<HeadlessPlatform> platform;
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<TWM033f1> form;
};

// One rig at a time: a new one when the baud rate or latency changes.
Rig& RigFor(int baud, int latency_ms) {
  static std::unique_ptr<Rig> rig;
  static int rig_baud = 0, rig_latency = -1;
  if (!rig || rig_baud != baud || rig_latency != latency_ms) {
    rig.reset();
    rig = std::make_unique<Rig>(baud, latency_ms);
    rig_baud = baud;
    rig_latency = latency_ms;
  }
  return *rig;
}

// Runs `routine` (which gives its error code) and sets the counters; `waits_ms` is the time the
// routine waits for conversions.
void Measure(benchmark::State& state, double waits_ms,
             const std::function<uint16_t(TWM033f1&)>& routine) {
  Rig& rig = RigFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  if (routine(*rig.form) != 0) {  // the first call opens and detects the adapter
    state.SkipWithError("the routine failed");
    return;
  }
  double wall_ms = 0, floor_ms = 0;
  uint16_t code = 0;
  for (auto _ : state) {
    const int64_t slots = rig.chip.bus_slots(), resets = rig.chip.bus_resets();
    const auto start = std::chrono::steady_clock::now();
    code = static_cast<uint16_t>(code | routine(*rig.form));
    wall_ms +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    floor_ms += 0.060 * static_cast<double>(rig.chip.bus_slots() - slots) +
                0.960 * static_cast<double>(rig.chip.bus_resets() - resets);
  }
  if (code != 0) state.SkipWithError("the routine failed");
  const double n = static_cast<double>(state.iterations());
  state.counters["cycle_ms"] = wall_ms / n;
  state.counters["bus_ms"] = wall_ms / n - waits_ms;
  state.counters["floor_ms"] = floor_ms / n;
  state.counters["x_floor"] = (wall_ms / n - waits_ms) / (floor_ms / n);
}

uint16_t Count(TWM033f1& f, int slot) {
  uint32_t count;
  uint16_t code = 0;
  int32_t dall;
  f.DMLGetCount(static_cast<uint8_t>(slot), f.bCounterPage[slot], count, code, dall);
  return code;
}

// One read byte through the TMEX call: a single round trip to the adapter.
void BM_Ds2480bTouchByte(benchmark::State& state) {
  int32_t handle = 0;
  Measure(state, 0, [&handle](TWM033f1& f) -> uint16_t {
    Tmex& t = f.tmex();
    if (handle < 1) {
      handle = t.TMExtendedStartSession(f.siPortNum, f.siPortType, nullptr);
      if (handle < 1 || t.TMSetup(handle) != 1) return 1;
    }
    return t.TMTouchByte(handle, 0xFF) < 0 ? 1 : 0;
  });
  if (handle > 0)
    RigFor(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)))
        .form->tmex()
        .TMEndSession(handle);
}

void BM_Ds2480bDMLGetCount(benchmark::State& state) {
  Measure(state, 0, [](TWM033f1& f) { return Count(f, 6); });
}

// The slot-3 cycle: lightning and the two on/off counters.
void BM_Ds2480bSlot3Cycle(benchmark::State& state) {
  Measure(state, 0, [](TWM033f1& f) {
    return static_cast<uint16_t>(Count(f, 7) | Count(f, 11) | Count(f, 12));
  });
}

void BM_Ds2480bTakeABNWTture(benchmark::State& state) {
  Measure(state, 1100, [](TWM033f1& f) {
    uint16_t code = 0;
    float t;
    f.TakeABNWTture(0, code, t);
    return code;
  });
}

void BM_Ds2480bRead2438(benchmark::State& state) {
  Measure(state, 12 + 6, [](TWM033f1& f) {
    float v, t;
    uint16_t code = 0;
    int16_t dall;
    f.Read2438(8, v, t, code, dall);
    return code;
  });
}

void BM_Ds2480bDMLGet2540ADC(benchmark::State& state) {
  Measure(state, 55, [](TWM033f1& f) {
    uint16_t a, b, c, d, code = 0;
    int32_t dall;
    if (!f.bWindAdcReady) {
      f.DML2450Init(10, code, dall);
      f.bWindAdcReady = code == 0;
    }
    f.DMLGet2540ADC(10, a, b, c, d, code, dall);
    return code;
  });
}

void Configs(benchmark::internal::Benchmark* b, int iterations) {
  b->ArgNames({"baud", "latency_ms"});
  for (int baud : {9600, 115200})
    for (int latency : {0, 1, 16}) b->Args({baud, latency});
  b->Unit(benchmark::kMillisecond)->Iterations(iterations)->UseRealTime();
}

BENCHMARK(BM_Ds2480bTouchByte)->Apply([](benchmark::internal::Benchmark* b) { Configs(b, 50); });
BENCHMARK(BM_Ds2480bDMLGetCount)->Apply([](benchmark::internal::Benchmark* b) { Configs(b, 5); });
BENCHMARK(BM_Ds2480bSlot3Cycle)->Apply([](benchmark::internal::Benchmark* b) { Configs(b, 2); });
BENCHMARK(BM_Ds2480bTakeABNWTture)->Apply([](benchmark::internal::Benchmark* b) { Configs(b, 2); });
BENCHMARK(BM_Ds2480bRead2438)->Apply([](benchmark::internal::Benchmark* b) { Configs(b, 3); });
BENCHMARK(BM_Ds2480bDMLGet2540ADC)->Apply([](benchmark::internal::Benchmark* b) { Configs(b, 3); });

}  // namespace
