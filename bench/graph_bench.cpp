// Drawing work of the graph and the dial: one column advance, and everything one cycle can
// draw (colours, the readings' pixels, the dial, a column advance and the update stamp).
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "app/wm033f1.h"
#include "tests/fake_platform.h"

namespace wm033 {
namespace {

// A main form with the graph and dial as start-up leaves them.
struct GraphRig {
  Environment env = Environment::FromPairs({}, "/tmp");
  testing::FakePlatform platform;
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<TWM033f1> form;

  GraphRig() {
    form = std::make_unique<TWM033f1>(platform, env, control, errdisp);
    TWM033f1& f = *form;
    f.InitState();
    f.imMainGraphPane.NewPicture(kGraphWidth, kGraphHeight);
    f.imMainGraphPane.Picture().Line(0, 0, kGraphWidth, 236, forms::RGB(0, 128, 0));
    f.dtColumnPeriod = 0.012;
    f.dtReference = platform.now;
    f.rsDayMarker = static_cast<float>(std::floor(platform.now));
    for (int c = 0; c < kChannels; ++c) {
      f.wLineScale[static_cast<size_t>(c)] = kSquashFactor;
      f.clChannel[static_cast<size_t>(c)] = forms::RGB(static_cast<unsigned>(c * 19), 40, 200);
    }
    f.nRainCalls = 1;
  }
};

void BM_ScrollGraph(benchmark::State& state) {
  GraphRig rig;
  TWM033f1& f = *rig.form;
  for (auto _ : state) {
    f.lWindSpeedCount += 900;
    f.lRainCount += 1;
    f.ScrollGraph();
  }
}
BENCHMARK(BM_ScrollGraph)->Unit(benchmark::kMicrosecond);

void BM_CycleDrawing(benchmark::State& state) {
  GraphRig rig;
  TWM033f1& f = *rig.form;
  int n = 0;
  for (auto _ : state) {
    ++n;
    f.SetReadingColours();
    for (int c = 0; c < 5; ++c) f.PlotReading(f.TemperatureY(c, 15.0f + c + n % 7), f.clChannel[c]);
    f.PlotReading(f.wYCoord(static_cast<uint32_t>(n), 5), f.clChannel[5]);
    f.PlotReading(f.wYCoord(static_cast<uint32_t>(n * 40), 6), f.clChannel[6]);
    f.PlotReading(f.AnalogueY(8, 101), f.clChannel[8]);
    f.DrawWindDial(n % 17);
    f.ScrollGraph();
    f.StampGraph();
  }
}
BENCHMARK(BM_CycleDrawing)->Unit(benchmark::kMicrosecond);

void BM_DrawWindDial(benchmark::State& state) {
  GraphRig rig;
  int d = 0;
  for (auto _ : state) rig.form->DrawWindDial(d++ % 16);
}
BENCHMARK(BM_DrawWindDial)->Unit(benchmark::kMicrosecond);

void BM_StampGraph(benchmark::State& state) {
  GraphRig rig;
  for (auto _ : state) rig.form->StampGraph();
}
BENCHMARK(BM_StampGraph)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace wm033
