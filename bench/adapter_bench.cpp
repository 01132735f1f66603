// Bus time of the device routines through the DS2480B driver and our emulator at 9600 baud,
// the emulator sleeping for each byte's time on the line and on the bus, as a real adapter takes
// it. Wall time per call is the figure (the DS18B20 read includes its 1100 ms conversion wait).
#include <benchmark/benchmark.h>

#include <thread>

#include "app/wm033f1.h"
#include "onewire/adapters/simulated_link.h"
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

// The demo station behind the emulator, and a form whose port 1 is its tty.
struct Rig {
  Rig()
      : cfg(DemoConfig()),
        station(sim::PlanFromConfig(cfg, 20120823), clock, "", ""),
        chip(station.station().bus()) {
    std::string error;
    pty.Open(error);
    thread = std::thread([this] { pty.Run(chip, controls, -1); });
    env = Environment::FromPairs({{"WM033_PORT1", pty.slave_path()}}, "/tmp");
    platform = std::make_unique<HeadlessPlatform>(env);
    form = std::make_unique<TWM033f1>(*platform, env, control, errdisp);
    form->liCycleCount = 100;
    form->siPortNum = cfg.port_num;
    form->siPortType = cfg.port_type;
    for (int s = 0; s < kChannels; ++s) {
      form->sChipId[s] = cfg.chips[s].id;
      form->bChipRom[s] = *cfg.chips[s].rom;
      form->bChipEnabled[s] = cfg.chips[s].enabled;
      form->bCounterPage[s] = cfg.chips[s].counter_page;
    }
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

Rig& TheRig() {
  static Rig rig;
  return rig;
}

void BM_Ds2480bDMLGetCount(benchmark::State& state) {
  TWM033f1& f = *TheRig().form;
  uint32_t count;
  uint16_t code = 0;
  int32_t dall;
  f.DMLGetCount(6, 14, count, code, dall);  // the first call opens and detects the adapter
  for (auto _ : state) f.DMLGetCount(6, 14, count, code, dall);
  if (code != 0) state.SkipWithError("DMLGetCount failed");
}
BENCHMARK(BM_Ds2480bDMLGetCount)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

void BM_Ds2480bTakeABNWTture(benchmark::State& state) {
  TWM033f1& f = *TheRig().form;
  uint16_t code = 0;
  float t;
  for (auto _ : state) f.TakeABNWTture(0, code, t);
  if (code != 0) state.SkipWithError("TakeABNWTture failed");
}
BENCHMARK(BM_Ds2480bTakeABNWTture)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_Ds2480bRead2438(benchmark::State& state) {
  TWM033f1& f = *TheRig().form;
  float v, t;
  uint16_t code = 0;
  int16_t dall;
  for (auto _ : state) f.Read2438(8, v, t, code, dall);
  if (code != 0) state.SkipWithError("Read2438 failed");
}
BENCHMARK(BM_Ds2480bRead2438)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

void BM_Ds2480bDMLGet2540ADC(benchmark::State& state) {
  TWM033f1& f = *TheRig().form;
  uint16_t a, b, c, d, code = 0;
  int32_t dall;
  f.DML2450Init(10, code, dall);
  for (auto _ : state) f.DMLGet2540ADC(10, a, b, c, d, code, dall);
  if (code != 0) state.SkipWithError("DMLGet2540ADC failed");
}
BENCHMARK(BM_Ds2480bDMLGet2540ADC)->Unit(benchmark::kMillisecond)->Iterations(10)->UseRealTime();

}  // namespace
