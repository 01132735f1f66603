// The data log line writer, including the fdatasync that makes each line survive a power cut,
// on a real disk (the temporary folder by default; WM033_BENCH_DIR chooses another), and the record
// formatters the sensor routines call.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/wm033f1.h"
#include "datalog/records.h"
#include "tests/fake_platform.h"

namespace wm033 {
namespace {

// A main form whose drive C: is a fresh folder on the benchmark's disk, with the log open.
struct LogRig {
  std::string dir;
  Environment env;
  testing::FakePlatform platform;
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<TWM033f1> form;

  LogRig() {
    const char* base = std::getenv("WM033_BENCH_DIR");
    dir = (base ? std::string(base) : std::filesystem::temp_directory_path().string()) +
          "/wm033-datalog-bench";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    env = Environment::FromPairs({{"WM033_DRIVE_C", dir}}, dir);
    form = std::make_unique<TWM033f1>(platform, env, control, errdisp);
    form->bDataLogOpen = true;
    form->OpenDataLog();
  }
  ~LogRig() {
    form.reset();
    std::filesystem::remove_all(dir);
  }
};

void BM_WriteDataLogLine(benchmark::State& state) {
  LogRig rig;
  const std::string line = CounterRecord("ws", "12h23o05", 4711);
  for (auto _ : state) {
    if (!rig.form->WriteDataLogLine(line)) state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteDataLogLine)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_RecordFormatters(benchmark::State& state) {
  std::array<uint16_t, 17> tallies{};
  tallies[3] = 200;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CounterRecord("rf", "12h23o05", 123456));
    benchmark::DoNotOptimize(AnalogueRecord("bp", "12h23o05", 1.0132f));
    benchmark::DoNotOptimize(TemperatureRecord(0, "12h23o05", 23.46f));
    benchmark::DoNotOptimize(WindTalliesRecord("12h23o05", tallies));
  }
}
BENCHMARK(BM_RecordFormatters);

}  // namespace
}  // namespace wm033
