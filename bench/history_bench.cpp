// Redrawing the graph from the data log: the reload as the program does it (one block read of
// the window, no allocation per line), against a reader that takes the file one byte at a time
// from the end with one read() per byte. A 9.4-day log and a 200 MB log must cost the same.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/wm033f1.h"
#include "datalog/records.h"
#include "tests/fake_platform.h"

namespace wm033 {
namespace {

using testing::FakePlatform;

const double kNow = EncodeDayCount(2012, 8, 23, 14, 5, 0);

std::string StampAt(double t) {
  return TimeStampOf(DecodeDayCount(t));
}

// The simulated station's record mix: per 1.6 s cycle slot, as the sensors log them.
std::string RealisticLog(double days) {
  std::string log = "cm Data Log File for WM033\r\ncm created:(following is date/time, encoded) " +
                    StampAt(kNow - days) + "\r\n";
  std::mt19937 rng(7);
  uint32_t wind = 100000, rain = 500, lightning = 3, onoff = 10;
  std::array<uint16_t, 17> tallies{};
  const double cycle = 1.6 / 86400;
  int readings = 0;
  for (double t = kNow - days; t < kNow; t += 63 * cycle) {
    const std::string s = StampAt(t);
    for (int c = 0; c < 5; ++c)
      log += TemperatureRecord(c, s, static_cast<float>(15 + 8 * std::sin(t * 6.283) + c)) + "\r\n";
    for (int i = 0; i < 5; ++i) {
      wind += 150 + rng() % 300;
      log += CounterRecord("ws", s, wind) + "\r\n";
    }
    if (rng() % 20 == 0) log += CounterRecord("rf", s, ++rain) + "\r\n";
    if (rng() % 200 == 0) log += CounterRecord("lt", s, ++lightning) + "\r\n";
    if (rng() % 8 == 0) {
      log += AnalogueRecord("bp", s, 4.5f) + "\r\n";
      log += AnalogueRecord("hm", s, 6.1f) + "\r\n";
      log += CounterRecord("b1", s, onoff) + "\r\n";
      log += CounterRecord("b2", s, onoff++) + "\r\n";
    }
    readings += 22;
    tallies[static_cast<size_t>(rng() % 16)] = static_cast<uint16_t>(rng() % 200);
    if (readings > 180) {
      readings = 0;
      log += WindTalliesRecord(s, tallies) + "\r\n";
    }
  }
  return log;
}

struct Fixture {
  std::string dir;
  FakePlatform platform;
  Environment env;
  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<TWM033f1> form;

  explicit Fixture(const std::string& name, size_t old_bytes) {
    dir = (std::filesystem::temp_directory_path() / ("wm033-bench-" + name)).string();
    std::filesystem::create_directories(dir);
    const std::string recent = RealisticLog(9.4);
    std::ofstream out(dir + "/WM33DtLg.txt", std::ios::binary | std::ios::trunc);
    // Years of older history in front: old comment records, never read back.
    const std::string old_line =
        "cm" + StampAt(kNow - 400) + " By hand: " + std::string(60, 'o') + "\r\n";
    std::string block;
    while (block.size() < (1 << 20)) block += old_line;
    for (size_t written = 0; written < old_bytes; written += block.size()) out << block;
    out << recent;
    out.close();
    platform.now = kNow;
    env = Environment::FromPairs({{"WM033_DRIVE_C", dir}}, dir);
    form = std::make_unique<TWM033f1>(platform, env, control, errdisp);
    form->SetDefaultSettings();
    form->InitState();
    form->dtColumnPeriod = 0.012;
    form->imMainGraphPane.NewPicture(780, 237);
  }
  ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& Get(int which) {
  static Fixture nine_days("9days", 0);
  static Fixture big("200mb", 200u << 20);
  return which == 0 ? nine_days : big;
}

void BM_ReloadHistory(benchmark::State& state) {
  Fixture& f = Get(static_cast<int>(state.range(0)));
  for (auto _ : state) f.form->ReloadHistory();
  state.SetLabel(state.range(0) == 0 ? "9.4-day log" : "200 MB log");
}
BENCHMARK(BM_ReloadHistory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The same decoding, fed by one read() per byte from the end of the file.
void BM_ReloadByteAtATime(benchmark::State& state) {
  Fixture& f = Get(0);
  TWM033f1& form = *f.form;
  for (auto _ : state) {
    form.bReloadStop = false;
    form.dtReference = f.platform.now;
    form.rsDayMarker = static_cast<float>(std::floor(f.platform.now));
    const int fd = ::open((f.dir + "/WM33DtLg.txt").c_str(), O_RDONLY);
    off_t pos = ::lseek(fd, 0, SEEK_END) - 2;
    const off_t size = pos + 2;
    std::string line;
    char c = 0;
    auto byte_at = [&](off_t p) {
      ::pread(fd, &c, 1, p);
      return c;
    };
    while (pos > 0 && (byte_at(pos) == '\r' || byte_at(pos) == '\n')) --pos;
    while (!form.bReloadStop && pos > 0 && size - pos <= 800000) {
      line.clear();
      while (pos > 1 && byte_at(pos) != '\r' && c != '\n') line.insert(line.begin(), c), --pos;
      form.DecodeHistoryRecord(line);
      while (pos > 0 && (byte_at(pos) == '\r' || c == '\n')) --pos;
    }
    ::close(fd);
  }
}
BENCHMARK(BM_ReloadByteAtATime)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace wm033
