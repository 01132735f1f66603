// What counting the health of the lines costs: one counted read (good, and failing with its code
// looked up), against one whole cycle of the demo station on the simulated MicroLan. The cycle
// runs with a virtual clock, so it holds only the program's and the emulated chips' own work,
// no bus or conversion time: the smallest a cycle can be. A cycle counts at most two reads.
#include <benchmark/benchmark.h>

#include "app/wm033f1.h"
#include "bench/station_rig.h"
#include "outputs/health.h"
#include "outputs/health_page.h"
#include "tests/fake_platform.h"

namespace wm033 {
namespace {

using bench::StationRig;

void BM_HealthGoodRead(benchmark::State& state) {
  testing::FakePlatform platform;
  Environment env = Environment::FromPairs({}, "/tmp");
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  TWM033f1 form(platform, env, control, errdisp);
  double value = 0;
  for (auto _ : state) {
    outputs::ReadScope read(form, 6);
    read.Done(0);
    form.Outputs.health.Good(6, value += 1, platform.now);
  }
  benchmark::DoNotOptimize(form.Outputs.health.Revision());
}
BENCHMARK(BM_HealthGoodRead);

void BM_HealthFailedRead(benchmark::State& state) {
  testing::FakePlatform platform;
  Environment env = Environment::FromPairs({}, "/tmp");
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  TWM033f1 form(platform, env, control, errdisp);
  for (int code : {14, 24, 35, 37, 44, 54, 55}) {  // a line that has failed in several ways
    outputs::ReadScope read(form, 5);
    read.Done(static_cast<uint16_t>(code));
  }
  for (auto _ : state) {
    outputs::ReadScope read(form, 5);
    read.Done(44);
  }
  benchmark::DoNotOptimize(form.Outputs.health.Line(5).failures);
}
BENCHMARK(BM_HealthFailedRead);

// One cycle, averaged over whole rounds of the 63 slots.
void BM_CycleOnSimulatedMicroLan(benchmark::State& state) {
  StationRig rig(state.range(0) ? "p=absent,n=badcrc" : "");
  for (auto _ : state) rig.Tick();
  state.SetLabel(state.range(0) ? "two failing lines" : "all lines good");
}
BENCHMARK(BM_CycleOnSimulatedMicroLan)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(63 * 20)
    ->Unit(benchmark::kMicrosecond);

// Making the readings document and the health page from a station that has run a while.
void BM_ReadingsDocument(benchmark::State& state) {
  StationRig rig("p=absent");
  for (int i = 0; i < 200; ++i) rig.Tick();
  for (auto _ : state) benchmark::DoNotOptimize(rig.form->ReadingsDocument());
}
BENCHMARK(BM_ReadingsDocument)->Unit(benchmark::kMicrosecond);

void BM_HealthPage(benchmark::State& state) {
  StationRig rig("p=absent");
  for (int i = 0; i < 200; ++i) rig.Tick();
  for (auto _ : state) benchmark::DoNotOptimize(outputs::HealthPage(rig.form->TakeSnapshot()));
}
BENCHMARK(BM_HealthPage)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace wm033
