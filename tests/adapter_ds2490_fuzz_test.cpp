// The DS2490 fuzz target's routine in the normal tests: a session recorded from the emulator,
// in the fuzz input's format, replays to good readings (so the fuzzer starts from inputs that
// reach every routine's end); and every input kept in tests/fuzz/corpus/fuzz_ds2490 (the seeds
// and any input that ever failed) runs.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/ds2490_rig.h"
#include "tests/fuzz/ds2490_transfers.h"

namespace wm033::testing {
namespace {

// Passes transfers to the emulator and writes their results in the fuzz input's format.
class RecordingUsb : public onewire::UsbTransfer {
 public:
  RecordingUsb(onewire::UsbTransfer& inner, std::vector<uint8_t>& out) : inner_(inner), out_(out) {}
  int Control(uint8_t r, uint16_t v, uint16_t i) override {
    const int res = inner_.Control(r, v, i);
    out_.push_back(res == 0 ? 0x00 : 0xF0);
    return res;
  }
  int BulkOut(const uint8_t* d, size_t n) override {
    const int res = inner_.BulkOut(d, n);
    out_.push_back(res == static_cast<int>(n) ? 0x00 : 0xF9);
    return res;
  }
  int BulkIn(uint8_t* d, size_t n) override { return Packet(inner_.BulkIn(d, n), d); }
  int Status(uint8_t* d, size_t n) override { return Packet(inner_.Status(d, n), d); }

 private:
  int Packet(int res, const uint8_t* d) {
    if (res < 0) {
      out_.push_back(0xF9);
      return res;
    }
    out_.push_back(static_cast<uint8_t>(res));
    out_.insert(out_.end(), d, d + res);
    return res;
  }
  onewire::UsbTransfer& inner_;
  std::vector<uint8_t>& out_;
};

TEST(Ds2490FuzzCorpus, AnEmulatorSessionReplaysToGoodReadings) {
  Ds2490Rig rig;
  std::vector<uint8_t> recorded;
  const fuzz::Ds2490Readings live = fuzz::RunDs2490Transfers(
      nullptr, 0, [&] { return std::make_unique<RecordingUsb>(rig.chip, recorded); },
      &rig.platform);
  EXPECT_EQ(live.count_code, 0);
  EXPECT_EQ(live.code2438, 0);
  EXPECT_EQ(live.adc_code, 0);
  EXPECT_LT(live.temperature, 250.0f);
  const fuzz::Ds2490Readings replayed = fuzz::RunDs2490Transfers(recorded.data(), recorded.size());
  EXPECT_EQ(replayed.count, live.count);
  EXPECT_EQ(replayed.temperature, live.temperature);
  EXPECT_EQ(replayed.volts, live.volts);
  EXPECT_EQ(replayed.adc[2], live.adc[2]);
  EXPECT_EQ(replayed.adc_code, 0);
  if (const char* dir = std::getenv("WM033_WRITE_DS2490_SEED")) {
    std::ofstream(std::string(dir) + "/emulator_session", std::ios::binary)
        .write(reinterpret_cast<const char*>(recorded.data()), static_cast<long>(recorded.size()));
  }
}

TEST(Ds2490FuzzCorpus, EveryKeptInputRuns) {
  const std::filesystem::path dir =
      std::filesystem::path(WM033_SOURCE_DIR) / "tests/fuzz/corpus/fuzz_ds2490";
  int n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    SCOPED_TRACE(entry.path().filename().string());
    fuzz::RunDs2490Transfers(bytes.data(), bytes.size());
    ++n;
  }
  EXPECT_GE(n, 2);
}

}  // namespace
}  // namespace wm033::testing
