// The DS2480B driver against our DS2480B emulator on a pseudo-terminal (the emulator loop on a
// thread): detection, modes, resets, bits, the search accelerator, the strong pull-up, whole
// device routines, and garbled or missing replies ending in failure codes rather than hangs.
// The byte machine of the emulator is checked byte by byte on its own.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "onewire/adapters/ds2480b.h"
#include "onewire/adapters/ds2480b_codes.h"
#include "onewire/adapters/simulated_link.h"
#include "onewire/search.h"
#include "onewire/sim/serial_emulator.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

using namespace onewire;
using Bytes = std::vector<uint8_t>;

StationConfig DemoConfig() {
  std::vector<std::string> lines;
  ReadLines(std::string(WM033_SOURCE_DIR) + "/demo/WM033ini.txt", lines);
  return ParseStationConfig(lines);
}

// A serial port that keeps a copy of what is written through it.
class RecordingPort : public SerialPort {
 public:
  explicit RecordingPort(std::unique_ptr<SerialPort> inner, Bytes& log)
      : inner_(std::move(inner)), log_(log) {}
  bool Write(const uint8_t* d, size_t n) override {
    log_.insert(log_.end(), d, d + n);
    return inner_->Write(d, n);
  }
  int Read(uint8_t* d, size_t n, int t) override { return inner_->Read(d, n, t); }
  bool SetBaud(int b) override { return inner_->SetBaud(b); }
  void SendBreak() override { inner_->SendBreak(); }
  void Flush() override { inner_->Flush(); }
  void Drain() override { inner_->Drain(); }
  int baud() const override { return inner_->baud(); }

 private:
  std::unique_ptr<SerialPort> inner_;
  Bytes& log_;
};

// The demo station's chips behind an emulated DS2480B on a pty, served on a thread.
class EmulatedAdapter {
 public:
  explicit EmulatedAdapter(bool timed = false, double clock_rate = 1e6)
      : clock_(clock_rate),
        station_(sim::PlanFromConfig(DemoConfig(), 20120823), clock_, "", ""),
        chip_(station_.station().bus()) {
    std::string error;
    EXPECT_TRUE(pty_.Open(error)) << error;
    controls.timed = timed;
    thread_ = std::thread([this] { pty_.Run(chip_, controls, -1); });
  }
  ~EmulatedAdapter() {
    controls.stop = true;
    thread_.join();
  }
  const std::string& path() const { return pty_.slave_path(); }
  std::unique_ptr<Ds2480bLink> Link(Bytes* log = nullptr) {
    const std::string p = path();
    auto link =
        std::make_unique<Ds2480bLink>([p, log](std::string& e) -> std::unique_ptr<SerialPort> {
          auto port = TtyPort::Open(p, e);
          if (!port || !log) return port;
          return std::make_unique<RecordingPort>(std::move(port), *log);
        });
    std::string error;
    EXPECT_TRUE(link->Open(error)) << error;
    return link;
  }
  sim::EmulatorControls controls;
  SimulatedLink& station() { return station_; }

 private:
  sim::WallClock clock_;
  SimulatedLink station_;
  sim::Ds2480bEmulator chip_;
  sim::PtyEmulator pty_;
  std::thread thread_;
};

TEST(Ds2480bEmulator, AnswersTheCommandSetByteForByte) {
  sim::SimBus bus;  // no chips
  sim::Ds2480bEmulator chip(bus);
  Bytes r;
  chip.Feed(ds2480b::kReset, r);  // the timing byte is not executed
  EXPECT_TRUE(r.empty());
  for (uint8_t b : {0x17, 0x45, 0x5B, 0x0F, 0x95, 0x85}) chip.Feed(b, r);
  EXPECT_EQ(r, (Bytes{0x16, 0x44, 0x5A, 0x00, 0x97, 0x84}));
  r.clear();
  chip.Feed(ds2480b::ConfigRead(ds2480b::kParamSlew), r);
  EXPECT_EQ(r, Bytes{0x06}) << "the slew rate written reads back";
  r.clear();
  chip.Feed(ds2480b::kReset, r);
  EXPECT_EQ(r, Bytes{0xCF}) << "no presence on an empty bus";
  // Data mode: 0xE3 twice is a data byte, 0xE3 and a command leave data mode.
  r.clear();
  for (uint8_t b : {0xE1, 0x55, 0xE3, 0xE3}) chip.Feed(b, r);
  EXPECT_EQ(r, (Bytes{0x55, 0xE3}));
  EXPECT_TRUE(chip.data_mode());
  chip.Feed(0xE3, r);
  chip.Feed(ds2480b::kReset, r);
  EXPECT_FALSE(chip.data_mode());
  EXPECT_EQ(r.back(), 0xCF);
  // The pull-up: armed, started by the next data byte, its end answered.
  r.clear();
  for (uint8_t b : {0x3F, 0xEF, 0xE1, 0x44}) chip.Feed(b, r);
  EXPECT_TRUE(chip.pulse_running());
  for (uint8_t b : {0xE3, 0xF1}) chip.Feed(b, r);
  EXPECT_EQ(r, (Bytes{0x3E, 0x44, 0xEC}));
  EXPECT_FALSE(chip.pulse_running());
  // A baud-rate change is answered and kept; a break goes back to 9600 and the timing byte.
  r.clear();
  chip.Feed(ds2480b::ConfigWrite(ds2480b::kParamBaud, ds2480b::kBaud115200), r);
  EXPECT_EQ(chip.baud(), 115200);
  chip.Break();
  EXPECT_EQ(chip.baud(), 9600);
  chip.Feed(0x0F, r);
  chip.Feed(0x0F, r);
  EXPECT_EQ(r, (Bytes{0x76, 0x00}));
}

TEST(Ds2480bHelpers, ResetRepliesAndAcceleratorBits) {
  EXPECT_EQ(ResetResultOf(0xCD), kResetPresence);
  EXPECT_EQ(ResetResultOf(0xCE), kResetAlarm);
  EXPECT_EQ(ResetResultOf(0xCF), kResetNoPresence);
  EXPECT_EQ(ResetResultOf(0xCC), kResetShort);
  EXPECT_EQ(ResetResultOf(0xC1), kResetPresence) << "other revisions: only the low bits count";
  EXPECT_LT(ResetResultOf(0x4D), 0);
  EXPECT_LT(ResetResultOf(0xFF), 0);
  Bytes out;
  AppendData(out, 0xE3);
  AppendData(out, 0xE1);
  EXPECT_EQ(out, (Bytes{0xE3, 0xE3, 0xE1}));
  const Rom rom = {0x28, 0x10, 0xA0, 0x33, 0x05, 0, 0, 0x83};
  const Bytes req = AccelRequest(rom);
  ASSERT_EQ(req.size(), 16u);
  // 0x28: bits 3 and 5 set -> directions at request bits 7 and 11.
  EXPECT_EQ(req[0], 0x80);
  EXPECT_EQ(req[1], 0x08);
  EXPECT_EQ(AccelReplyMatches(rom, req.data()), 1);
  Bytes other = req;
  other[15] ^= 0x80;
  EXPECT_EQ(AccelReplyMatches(rom, other.data()), 0);
}

TEST(Ds2480bLink, DetectsResetsSearchesAndVerifies) {
  EmulatedAdapter emu;
  Bytes log;
  auto link = emu.Link(&log);
  // Break, timing byte, configuration and read-backs.
  ASSERT_GE(log.size(), 6u);
  EXPECT_EQ(Bytes(log.begin(), log.begin() + 6), (Bytes{0xC5, 0x17, 0x45, 0x5B, 0x0F, 0x95}));
  EXPECT_EQ(link->Reset(), kResetPresence);
  std::vector<Rom> found;
  EXPECT_EQ(SearchBus(*link, found), 13);
  const StationConfig cfg = DemoConfig();
  const Rom present = *cfg.chips[0].rom;
  Rom absent = present;
  absent[3] ^= 0x10;
  log.clear();
  EXPECT_EQ(VerifyRom(*link, present), 1);
  // One reset and one 23-byte write for the whole verify.
  ASSERT_EQ(log.size(), 1u + 23u);
  EXPECT_EQ(log[0], 0xC5);
  EXPECT_EQ(Bytes(log.begin() + 1, log.begin() + 5), (Bytes{0xE1, 0xF0, 0xE3, 0xB5}));
  EXPECT_EQ(Bytes(log.end() - 2, log.end()), (Bytes{0xE3, 0xA5}));
  EXPECT_EQ(VerifyRom(*link, absent), 0);
  // Bytes after the verify go in data mode; 0xE3 is doubled.
  log.clear();
  EXPECT_EQ(link->TouchByte(0xE3), 0xE3);
  EXPECT_EQ(log, (Bytes{0xE1, 0xE3, 0xE3}));
  log.clear();
  EXPECT_EQ(link->TouchBit(1), 1);
  EXPECT_EQ(log, (Bytes{0xE3, 0x95}));
}

TEST(Ds2480bLink, ArmsAndStopsTheStrongPullUp) {
  EmulatedAdapter emu;
  Bytes log;
  auto link = emu.Link(&log);
  ASSERT_EQ(link->Reset(), kResetPresence);
  log.clear();
  EXPECT_EQ(link->SetLevel(LineLevel::StrongPullUp, LevelStart::AfterNextByte), 1);
  EXPECT_EQ(link->TouchByte(0xCC), 0xCC);
  EXPECT_EQ(link->SetLevel(LineLevel::Normal, LevelStart::Now), 0);
  EXPECT_EQ(log, (Bytes{0x3F, 0xEF, 0xE1, 0xCC, 0xE3, 0xF1}));
  log.clear();
  EXPECT_EQ(link->SetLevel(LineLevel::StrongPullUp, LevelStart::Now), 1);
  EXPECT_EQ(link->Reset(), kResetPresence) << "the next operation ends the pulse first";
  EXPECT_EQ(log, (Bytes{0x3F, 0xED, 0xF1, 0xC5}));
}

TEST(Ds2480bLink, GarbledAndSilentRepliesFailThenRecover) {
  EmulatedAdapter emu;
  std::vector<std::string> notes;
  const std::string p = emu.path();
  Ds2480bLink link(
      [p](std::string& e) -> std::unique_ptr<SerialPort> { return TtyPort::Open(p, e); },
      [&notes](const std::string& n) { notes.push_back(n); });
  std::string error;
  ASSERT_TRUE(link.Open(error)) << error;
  emu.controls.garble = 1;
  EXPECT_EQ(link.Reset(), kLinkFailed);
  EXPECT_EQ(link.Reset(), kResetPresence) << "detected again after the garbled reply";
  emu.controls.garble = 1;
  EXPECT_EQ(link.TouchByte(0x00), kLinkFailed) << "a one where a zero was sent is no echo";
  EXPECT_EQ(link.TouchByte(0xFF) >= 0, true);
  EXPECT_TRUE(notes.empty());

  emu.controls.silent = true;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link.Reset(), kLinkFailed);
  EXPECT_EQ(link.TouchBit(1), kLinkFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("stopped answering"), std::string::npos);
  link.OnSessionStart();  // still silent: no second message
  EXPECT_EQ(notes.size(), 1u);
  emu.controls.silent = false;
  link.OnSessionStart();
  EXPECT_EQ(link.Reset(), kResetPresence);
  emu.controls.silent = true;  // lost again after it came back: said again, once
  EXPECT_EQ(link.Reset(), kLinkFailed);
  link.OnSessionStart();
  EXPECT_EQ(notes.size(), 2u);
}

TEST(Ds2480bLink, OpenFailuresSayWhatToFix) {
  std::string error;
  EXPECT_EQ(TtyPort::Open("/nonexistent/ttyUSB7", error), nullptr);
  EXPECT_NE(error.find("plug the adapter in"), std::string::npos) << error;
  EXPECT_NE(SerialOpenAdvice("/dev/ttyUSB0", EACCES).find("dialout"), std::string::npos);
  EXPECT_NE(SerialOpenAdvice("/dev/ttyUSB0", EBUSY).find("in use"), std::string::npos);
  EmulatedAdapter emu;
  emu.controls.silent = true;
  Ds2480bLink link([p = emu.path()](std::string& e) -> std::unique_ptr<SerialPort> {
    return TtyPort::Open(p, e);
  });
  EXPECT_FALSE(link.Open(error));
  EXPECT_NE(error.find("no DS2480B adapter answered"), std::string::npos) << error;
  Environment env = Environment::FromPairs({{"WM033_PORT2", "/dev/ttyACM9"}}, "/tmp");
  EXPECT_EQ(SerialDevicePath(env, 2), "/dev/ttyACM9");
  EXPECT_EQ(SerialDevicePath(env, 0).substr(0, 9), "/dev/ttyS");
}

// The device routines over the real driver: a counter, a conversion and read, the battery
// monitor and the quad ADC, with no error line.
TEST(Ds2480bLink, RunsTheDeviceRoutines) {
  EmulatedAdapter emu;
  Station st({{"WM033_PORT1", emu.path()}});
  TWM033f1& f = st.Create();
  const StationConfig cfg = DemoConfig();
  f.siPortNum = cfg.port_num;
  f.siPortType = cfg.port_type;
  ASSERT_EQ(f.siPortType, 5);
  f.bWindDirTable = cfg.wind_dir_table;
  for (int s = 0; s < kChannels; ++s) {
    f.sChipId[s] = cfg.chips[s].id;
    f.bChipRom[s] = *cfg.chips[s].rom;
    f.bChipEnabled[s] = cfg.chips[s].enabled;
    f.bCounterPage[s] = cfg.chips[s].counter_page;
  }
  f.liCycleCount = 100;
  uint32_t count = 0;
  uint16_t code = 1;
  int32_t dall = 0;
  f.DMLGetCount(6, f.bCounterPage[6], count, code, dall);
  EXPECT_EQ(code, 0);
  EXPECT_GT(count, 0u);
  const float t = f.ReadTtureChannel(0);  // a DS18B20: conversion with the pull-up, then read
  EXPECT_GT(t, -30.0f);
  EXPECT_LT(t, 45.0f);
  float volts = 0, tture = 0;
  int16_t sd = 0;
  f.Read2438(8, volts, tture, code, sd);
  EXPECT_EQ(code, 0);
  EXPECT_GT(volts, 0.0f);
  f.DML2450Init(10, code, dall);
  ASSERT_EQ(code, 0);
  uint16_t v[4];
  f.DMLGet2540ADC(10, v[0], v[1], v[2], v[3], code, dall);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(st.platform.error_lines.empty());
  for (const auto& l : st.platform.error_lines) ADD_FAILURE() << l;
}

}  // namespace
}  // namespace wm033::testing
