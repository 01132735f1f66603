// Repeated errors: the cost of counting one more repeat of a lasting fault while others are
// followed, and of the check every cycle makes when no summary is due.
#include <benchmark/benchmark.h>

#include <string>

#include "app/error_repeats.h"

namespace wm033 {
namespace {

constexpr double kStart = 41144.5;
constexpr double kCycle = 1.6 / 86400;

void BM_RepeatCounted(benchmark::State& state) {
  ErrorRepeats r;
  const int followed = static_cast<int>(state.range(0));
  for (int i = 0; i < followed; ++i)
    r.Admit("During LookAtTemperature " + std::to_string(i) + ", QZRErr: 5 and Dallas error -1", 1,
            "12h23o05", kStart);
  const std::string text = "During LookAtTemperature " + std::to_string(followed - 1) +
                           ", QZRErr: 5 and Dallas error -1";
  uint16_t n = 2;
  for (auto _ : state) benchmark::DoNotOptimize(r.Admit(text, n++, "12h23o06", kStart));
}
BENCHMARK(BM_RepeatCounted)->Arg(1)->Arg(13)->Arg(64);

void BM_CycleCheckNothingDue(benchmark::State& state) {
  ErrorRepeats r;
  for (int i = 0; i < 13; ++i) r.Admit("fault " + std::to_string(i), 1, "12h23o05", kStart);
  double now = kStart;
  for (auto _ : state) {
    now += kCycle / 1000;  // stays inside the hour
    benchmark::DoNotOptimize(r.Due(now));
  }
}
BENCHMARK(BM_CycleCheckNothingDue);

}  // namespace
}  // namespace wm033
