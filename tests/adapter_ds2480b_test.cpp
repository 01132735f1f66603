// The DS2480B driver. First against a scripted port: every byte it writes is checked, and it is
// fed each reply the datasheet allows and bytes the datasheet does not define. Then against our
// emulator on a pseudo-terminal: the device routines at 9600 and 115200 baud, and garbled or
// missing replies within a session.
#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "onewire/adapters/ds2480b.h"
#include "onewire/adapters/ds2480b_codes.h"
#include "onewire/adapters/simulated_link.h"
#include "onewire/search.h"
#include "onewire/sim/serial_emulator.h"
#include "tests/serial_script.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

using namespace onewire;

StationConfig DemoConfig() {
  std::vector<std::string> lines;
  ReadLines(std::string(WM033_SOURCE_DIR) + "/demo/WM033ini.txt", lines);
  return ParseStationConfig(lines);
}

const Bytes kSetup = {0x3F, 0x17, 0x45, 0x5B, 0x0F, 0x95};
const Bytes kSetupReply = {0x3E, 0x16, 0x44, 0x5A, 0x00, 0x97};

// The driver on a scripted port.
class Scripted {
 public:
  explicit Scripted(int fast_baud = 0)
      : link(
            [this](std::string&) -> std::unique_ptr<SerialPort> {
              auto p = std::make_unique<ScriptedPort>(script, mismatches, &silent);
              port = p.get();
              ++opens;
              return p;
            },
            [this](const std::string& n) { notes.push_back(n); }, fast_baud) {}
  void Expect(const Bytes& out, const Bytes& reply = {}, int baud = 0) {
    script.push_back({out, reply, baud});
  }
  // A master reset (a NULL at 4800 baud), the timing byte, the configuration and read-backs.
  void ExpectDetection() {
    Expect({0x00}, {}, 4800);
    Expect({0xC1}, {}, 9600);
    Expect(kSetup, kSetupReply, 9600);
  }
  void Open() {
    ExpectDetection();
    std::string error;
    ASSERT_TRUE(link.Open(error)) << error;
    ASSERT_TRUE(Clean());
  }
  // True when every write matched and the script is used up.
  bool Clean() {
    for (const Turn& t : script) mismatches.push_back("not written: " + HexBytes(t.expect));
    script.clear();
    const bool ok = mismatches.empty();
    for (const std::string& m : mismatches) ADD_FAILURE() << m;
    mismatches.clear();
    return ok;
  }

  std::deque<Turn> script;
  std::vector<std::string> mismatches, notes;
  bool silent = false;
  ScriptedPort* port = nullptr;
  int opens = 0;
  Ds2480bLink link;
};

TEST(Ds2480bDriver, DetectsWithTheDatasheetSequenceAndMovesToAFasterRate) {
  Scripted s(115200);
  s.ExpectDetection();
  s.Expect({0x77}, {}, 9600);        // 115200 baud; the answer comes at the new rate
  s.Expect({0x0F}, {0x06}, 115200);  // read back at the new rate
  std::string error;
  ASSERT_TRUE(s.link.Open(error)) << error;
  EXPECT_TRUE(s.Clean());
  EXPECT_EQ(s.link.baud(), 115200);
  EXPECT_EQ(s.port->breaks, 0) << "the NULL at 4800 baud does a break's work in 2 ms";
}

TEST(Ds2480bDriver, FallsBackTo9600WhenTheFastRateIsNotAnswered) {
  Scripted s(115200);
  s.ExpectDetection();
  s.Expect({0x77});
  s.Expect({0x0F}, {}, 115200);  // nothing
  s.ExpectDetection();           // a master reset works at any rate
  std::string error;
  ASSERT_TRUE(s.link.Open(error)) << error;
  EXPECT_TRUE(s.Clean());
  EXPECT_EQ(s.link.baud(), 9600);
  // A garbled reply later detects the chip again, and stays at 9600 on this port.
  s.Expect({0xC5}, {0x12});
  s.ExpectDetection();
  s.Expect({0xC5}, {0xCD});
  EXPECT_EQ(s.link.Reset(), kResetPresence);
  EXPECT_TRUE(s.Clean());
}

TEST(Ds2480bDriver, RefusesADeviceThatDoesNotAnswerAsADs2480b) {
  Scripted s;
  for (int i = 0; i < 3; ++i) {
    s.Expect({0x00});
    s.Expect({0xC1});
    s.Expect(kSetup, {0x3E, 0x16, 0x44, 0x5A, 0x00, 0x95});  // a bit reply with mixed bits
  }
  std::string error;
  EXPECT_FALSE(s.link.Open(error));
  EXPECT_NE(error.find("does not answer as a DS2480B"), std::string::npos) << error;
  EXPECT_TRUE(s.Clean());
}

TEST(Ds2480bDriver, ResetTakesEveryReplyTheDatasheetAllows) {
  Scripted s;
  s.Open();
  struct Case {
    uint8_t reply;
    int result;
    bool vpp;
  };
  // 11 in bits 7-6; bit 5 the 12 V supply; bits 4-2 any revision; bits 1-0 the result.
  const Case cases[] = {{0xCD, kResetPresence, false},   {0xED, kResetPresence, true},
                        {0xCE, kResetAlarm, false},      {0xEE, kResetAlarm, true},
                        {0xCF, kResetNoPresence, false}, {0xEF, kResetNoPresence, true},
                        {0xCC, kResetShort, false},      {0xC9, kResetPresence, false},
                        {0xD1, kResetPresence, false},   {0xFD, kResetPresence, true}};
  for (const Case& c : cases) {
    s.Expect({0xC5}, {c.reply});
    EXPECT_EQ(s.link.Reset(), c.result) << HexBytes({c.reply});
    EXPECT_EQ(s.link.vpp(), c.vpp) << HexBytes({c.reply});
  }
  EXPECT_TRUE(s.Clean());
  EXPECT_EQ(s.link.resyncs(), 0);
}

TEST(Ds2480bDriver, AResetWithABadOrMissingReplyIsDetectedAgainAndRetried) {
  Scripted s;
  s.Open();
  // Not a reset reply (bits 7-6 not 11), and no reply at all: each time the chip is detected
  // again and the reset tried once more, so the reading that needs it is not lost.
  for (const Bytes& bad : {Bytes{0x4D}, Bytes{0x8D}, Bytes{0x0D}, Bytes{0x3E}, Bytes{}}) {
    s.Expect({0xC5}, bad);
    s.ExpectDetection();
    s.Expect({0xC5}, {0xCD});
    EXPECT_EQ(s.link.Reset(), kResetPresence) << HexBytes(bad);
    EXPECT_TRUE(s.Clean()) << HexBytes(bad);
  }
  EXPECT_EQ(s.link.resyncs(), 5);
  EXPECT_TRUE(s.notes.empty());
}

// Every possible byte as the reply to a reset, a bit, a pull-up's end and a configuration
// command: taken when the datasheet allows it, else the chip is detected again (and a reset
// tried once more), never a wrong result.
TEST(Ds2480bDriver, EveryReplyByteIsTakenOrRefusedAsTheDatasheetSays) {
  Scripted s;
  s.Open();
  for (int v = 0; v < 256; ++v) {
    const uint8_t r = static_cast<uint8_t>(v);
    SCOPED_TRACE(HexBytes({r}));
    const bool reset_ok = (r & 0xC0) == 0xC0;
    s.Expect({0xC5}, {r});
    if (!reset_ok) {
      s.ExpectDetection();
      s.Expect({0xC5}, {0xCD});
    }
    const std::array<int, 4> by_bits = {kResetShort, kResetPresence, kResetAlarm, kResetNoPresence};
    EXPECT_EQ(s.link.Reset(), reset_ok ? by_bits[r & 3] : kResetPresence);

    const bool bit_ok = r == 0x94 || r == 0x97;
    s.Expect({0x95}, {r});
    if (!bit_ok) s.ExpectDetection();
    EXPECT_EQ(s.link.TouchBit(1), bit_ok ? (r == 0x97 ? 1 : 0) : kLinkFailed);

    const bool end_ok = (r & 0xFC) == 0xEC;
    s.Expect({0xED});
    s.Expect({0xF1}, {r});
    if (!end_ok) s.ExpectDetection();
    EXPECT_EQ(s.link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now), 1);
    EXPECT_EQ(s.link.SetLevel(LineLevel::Normal, LevelStart::Now), 0);
    EXPECT_TRUE(s.Clean());
  }
  // The configuration at detection: one wrong byte anywhere refuses the device.
  for (size_t at = 0; at < kSetupReply.size(); ++at) {
    for (int v = 0; v < 256; v += 7) {
      Bytes reply = kSetupReply;
      if (reply[at] == v || (at + 1 == kSetupReply.size() && (v == 0x94 || v == 0x97))) continue;
      reply[at] = static_cast<uint8_t>(v);
      Scripted d;
      for (int i = 0; i < 3; ++i) {
        d.Expect({0x00});
        d.Expect({0xC1});
        d.Expect(kSetup, reply);
      }
      std::string error;
      EXPECT_FALSE(d.link.Open(error)) << "byte " << at << " " << HexBytes({reply[at]});
      EXPECT_TRUE(d.Clean());
    }
  }
}

TEST(Ds2480bDriver, SingleBitRepliesAreChecked) {
  Scripted s;
  s.Open();
  s.Expect({0x95}, {0x97});
  EXPECT_EQ(s.link.TouchBit(1), 1);
  s.Expect({0x95}, {0x94});
  EXPECT_EQ(s.link.TouchBit(1), 0);
  s.Expect({0x85}, {0x84});
  EXPECT_EQ(s.link.TouchBit(0), 0);
  EXPECT_TRUE(s.Clean());
  // A 1 read in a slot that wrote 0, the two bits differing, other command bits: not a reply.
  for (const Bytes& bad : {Bytes{0x87}, Bytes{0x85}, Bytes{0x86}, Bytes{0x04}, Bytes{0xA4}}) {
    s.Expect({0x85}, bad);
    s.ExpectDetection();
    EXPECT_EQ(s.link.TouchBit(0), kLinkFailed) << HexBytes(bad);
    EXPECT_TRUE(s.Clean()) << HexBytes(bad);
  }
  s.Expect({0x95}, {0x97});
  EXPECT_EQ(s.link.TouchBit(1), 1) << "the next bit works";
  EXPECT_TRUE(s.Clean());
}

TEST(Ds2480bDriver, BytesGoInDataModeWithE3Doubled) {
  Scripted s;
  s.Open();
  s.Expect({0xE1, 0x55}, {0x55});
  EXPECT_EQ(s.link.TouchByte(0x55), 0x55);
  s.Expect({0xE3, 0xE3}, {0xE3});
  EXPECT_EQ(s.link.TouchByte(0xE3), 0xE3);
  s.Expect({0xFF}, {0x3C});
  EXPECT_EQ(s.link.TouchByte(0xFF), 0x3C);
  s.Expect({0xE3, 0x95}, {0x97});
  EXPECT_EQ(s.link.TouchBit(1), 1);
  EXPECT_TRUE(s.Clean());
  // A one where we sent a zero is no echo; the byte after works.
  s.Expect({0xE1, 0x00}, {0x01});
  s.ExpectDetection();
  EXPECT_EQ(s.link.TouchByte(0x00), kLinkFailed);
  s.Expect({0xE1, 0xCC}, {0xCC});
  EXPECT_EQ(s.link.TouchByte(0xCC), 0xCC);
  EXPECT_TRUE(s.Clean());
}

TEST(Ds2480bDriver, StrongPullUpNowEndsWithTheReplyOfItsPulse) {
  Scripted s;
  s.Open();
  s.Expect({0xE1, 0x44}, {0x44});
  EXPECT_EQ(s.link.TouchByte(0x44), 0x44);
  s.Expect({0xE3, 0xED});  // pulse, disarmed, of the infinite length set at detection
  EXPECT_EQ(s.link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now), 1);
  // The pulse answers when F1 ends it; its two low bits are undefined.
  s.Expect({0xF1}, {0xEE});
  EXPECT_EQ(s.link.SetLevel(LineLevel::Normal, LevelStart::Now), 0);
  EXPECT_EQ(s.link.SetLevel(LineLevel::Normal, LevelStart::Now), 0) << "nothing to end";
  // The next operation ends a running pull-up first and takes its reply.
  s.Expect({0xED});
  EXPECT_EQ(s.link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now), 1);
  s.Expect({0xF1, 0xC5}, {0xEF, 0xCD});
  EXPECT_EQ(s.link.Reset(), kResetPresence);
  EXPECT_TRUE(s.Clean());
  // A pulse reply that is not one: detected again, and the pull-up is over then anyway.
  s.Expect({0xED});
  EXPECT_EQ(s.link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now), 1);
  s.Expect({0xF1}, {0x6C});
  s.ExpectDetection();
  EXPECT_EQ(s.link.SetLevel(LineLevel::Normal, LevelStart::Now), 0);
  EXPECT_TRUE(s.Clean());
  EXPECT_EQ(s.link.resyncs(), 1);
}

TEST(Ds2480bDriver, PullUpAfterTheNextByteNeverArms) {
  Scripted s;
  s.Open();
  // Primed and cancelled before any byte: nothing reaches the adapter.
  EXPECT_EQ(s.link.SetLevel(LineLevel::StrongPullUp, LevelStart::AfterNextByte), 1);
  EXPECT_EQ(s.link.SetLevel(LineLevel::Normal, LevelStart::Now), 0);
  EXPECT_TRUE(s.Clean());
  // Primed, then the byte 44 as eight single bits, the last with its strong pull-up; the bit
  // replies carry the bits read; F1 ends the pull-up, which answers EC (the last bit read 0).
  EXPECT_EQ(s.link.SetLevel(LineLevel::StrongPullUp, LevelStart::AfterNextByte), 1);
  s.Expect({0x85, 0x85, 0x95, 0x85, 0x85, 0x85, 0x95, 0x87},
           {0x84, 0x84, 0x97, 0x84, 0x84, 0x84, 0x97, 0x84});
  EXPECT_EQ(s.link.TouchByte(0x44), 0x44);
  s.Expect({0xF1}, {0xEC});
  EXPECT_EQ(s.link.SetLevel(LineLevel::Normal, LevelStart::Now), 0);
  EXPECT_TRUE(s.Clean());
  // Only the next byte: the one after goes as usual.
  EXPECT_EQ(s.link.SetLevel(LineLevel::StrongPullUp, LevelStart::AfterNextByte), 1);
  s.Expect({0x95, 0x95, 0x95, 0x95, 0x95, 0x95, 0x95, 0x97},
           {0x97, 0x97, 0x97, 0x94, 0x97, 0x97, 0x97, 0x97});
  EXPECT_EQ(s.link.TouchByte(0xFF), 0xF7);
  s.Expect({0xF1, 0xE1, 0xFF}, {0xEF, 0xFF});
  EXPECT_EQ(s.link.TouchByte(0xFF), 0xFF);
  EXPECT_TRUE(s.Clean()) << "and no pulse command with the arm bit was ever written";
}

TEST(Ds2480bDriver, VerifyIsOneWriteAt9600) {
  Scripted s;
  s.Open();
  const Rom rom = {0x28, 0x10, 0xA0, 0x33, 0x05, 0x00, 0x00, 0x83};
  const Bytes steer = AccelRequest(rom);
  Bytes out = {0xC5, 0xE1, 0xF0, 0xE3, 0xB5, 0xE1};
  out.insert(out.end(), steer.begin(), steer.end());
  out.insert(out.end(), {0xE3, 0xA5});
  Bytes reply = {0xCD, 0xF0};
  reply.insert(reply.end(), steer.begin(), steer.end());  // every bit as steered, no flags
  s.Expect(out, reply);
  EXPECT_EQ(VerifyRom(s.link, rom), 1);
  Bytes other = reply;
  other[17] ^= 0x80;  // the last ROM bit went the other way
  s.Expect(out, other);
  EXPECT_EQ(VerifyRom(s.link, rom), 0);
  s.Expect(out, Bytes{0xCF, 0xF0} + Bytes(16, 0xFF));
  EXPECT_EQ(VerifyRom(s.link, rom), 0) << "no presence";
  s.Expect(out, Bytes{0xCC, 0x00} + Bytes(16, 0x00));
  EXPECT_EQ(VerifyRom(s.link, rom), -kResetShort);
  EXPECT_TRUE(s.Clean());
  // A garbled reset reply inside: detected again and the whole verify tried once more.
  s.Expect(out, Bytes{0x0D, 0xF0} + steer);
  s.ExpectDetection();
  s.Expect(out, reply);
  EXPECT_EQ(VerifyRom(s.link, rom), 1);
  EXPECT_TRUE(s.Clean());
}

TEST(Ds2480bDriver, BurstsRespectTheOneByteReceiveBuffer) {
  // At 9600 baud a byte takes 1.04 ms to arrive, longer than a data byte's eight slots or an
  // accelerator byte's twelve: anything fits in one write.
  EXPECT_EQ(BurstLength(std::vector<int>(18, 12 * 67), 9600), 18u);
  EXPECT_EQ(BurstLength({1096, 0, 536, 0, 0, 0, 804, 804}, 9600), 8u);
  // At 115200 one byte works and one waits; the third would be lost.
  EXPECT_EQ(BurstLength({536, 536, 536}, 115200), 2u);
  EXPECT_EQ(BurstLength({0, 0, 536, 0, 536, 536}, 115200), 4u) << "a mode byte waits too";
  EXPECT_EQ(BurstLength({0, 0, 0}, 115200), 3u);
  EXPECT_EQ(BurstLength({5000}, 115200), 1u);
}

TEST(Ds2480bDriver, ASilentAdapterIsReportedOnceAndOpenedAgainLater) {
  Scripted s;
  s.Open();
  s.silent = true;
  EXPECT_EQ(s.link.Reset(), kLinkFailed);
  EXPECT_FALSE(s.link.connected());
  ASSERT_EQ(s.notes.size(), 1u);
  EXPECT_NE(s.notes[0].find("stopped answering"), std::string::npos) << s.notes[0];
  EXPECT_EQ(s.link.TouchByte(0x55), kLinkFailed);
  s.link.OnSessionStart();  // still silent: no second message
  EXPECT_EQ(s.notes.size(), 1u);
  s.silent = false;
  s.ExpectDetection();
  s.link.OnSessionStart();
  EXPECT_TRUE(s.link.connected());
  s.Expect({0xC5}, {0xCD});
  EXPECT_EQ(s.link.Reset(), kResetPresence);
  EXPECT_TRUE(s.Clean());
}

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
  std::unique_ptr<Ds2480bLink> Link(
      int fast_baud = 0, int latency_limit_ms = Ds2480bLink::kDefaultFastLatencyLimitMs) {
    const std::string p = pty_.slave_path();
    auto link = std::make_unique<Ds2480bLink>(
        [p](std::string& e) -> std::unique_ptr<SerialPort> { return TtyPort::Open(p, e); },
        [this](const std::string& n) { notes.push_back(n); }, fast_baud);
    link->set_fast_latency_limit_ms(latency_limit_ms);
    std::string error;
    EXPECT_TRUE(link->Open(error)) << error;
    return link;
  }
  const std::string& path() const { return pty_.slave_path(); }
  sim::Ds2480bEmulator& chip() { return chip_; }
  sim::EmulatorControls controls;
  std::vector<std::string> notes;

 private:
  sim::WallClock clock_;
  SimulatedLink station_;
  sim::Ds2480bEmulator chip_;
  sim::PtyEmulator pty_;
  std::thread thread_;
};

// The device routines over the real driver: a counter, a conversion and read, the battery
// monitor and the quad ADC, with no error line.
void RunDeviceRoutines(const std::string& port) {
  Station st({{"WM033_PORT1", port}});
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
  for (const auto& l : st.platform.error_lines) ADD_FAILURE() << l;
}

TEST(Ds2480bEmulated, DeviceRoutinesOnAnAdapterWithTheProgrammingSupply) {
  EmulatedAdapter emu;
  emu.chip().set_vpp(true);  // every reset answers ED
  RunDeviceRoutines(emu.path());
  EXPECT_EQ(emu.chip().overruns(), 0);
}

TEST(Ds2480bEmulated, At115200WithBusTimesNothingOverrunsTheChip) {
  EmulatedAdapter emu(/*timed=*/true);
  auto link = emu.Link(115200);
  EXPECT_EQ(link->baud(), 115200);
  ASSERT_EQ(link->Reset(), kResetPresence);
  std::vector<Rom> found;
  EXPECT_EQ(SearchBus(*link, found), 13);
  for (const Rom& rom : found) EXPECT_EQ(VerifyRom(*link, rom), 1);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(link->TouchByte(0xFF), 0xFF);
  EXPECT_EQ(emu.chip().overruns(), 0) << "bursts kept within the chip's receive buffer";
}

TEST(Ds2480bEmulated, StaysAt9600BehindASlowConverter) {
  EmulatedAdapter emu(/*timed=*/true);
  emu.controls.latency_us = 16'000;
  auto slow = emu.Link(115200);
  EXPECT_GE(slow->latency_ms(), 12);
  EXPECT_EQ(slow->baud(), 9600) << "one verify round trip instead of nine";
  slow.reset();
  // The same adapter where that latency is allowed: the chip answers at the fast rate.
  auto forced = emu.Link(115200, 1000);
  EXPECT_EQ(forced->baud(), 115200);
}

TEST(Ds2480bEmulated, GarbledAndSilentRepliesWithinASession) {
  EmulatedAdapter emu;
  auto link = emu.Link(115200);
  emu.controls.garble = 1;
  EXPECT_EQ(link->Reset(), kResetPresence) << "detected again and tried once more";
  EXPECT_EQ(link->resyncs(), 1);
  EXPECT_EQ(link->baud(), 115200) << "back at the fast rate";
  emu.controls.garble = 1;
  EXPECT_EQ(link->TouchByte(0x00), kLinkFailed) << "a one where a zero was sent is no echo";
  EXPECT_GE(link->TouchByte(0xFF), 0) << "the next byte works";
  EXPECT_TRUE(emu.notes.empty());

  emu.controls.silent = true;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(link->Reset(), kLinkFailed);
  EXPECT_EQ(link->TouchBit(1), kLinkFailed);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  ASSERT_EQ(emu.notes.size(), 1u);
  EXPECT_NE(emu.notes[0].find("stopped answering"), std::string::npos);
  link->OnSessionStart();  // still silent: no second message
  EXPECT_EQ(emu.notes.size(), 1u);
  emu.controls.silent = false;
  link->OnSessionStart();
  EXPECT_EQ(link->Reset(), kResetPresence);
}

TEST(Ds2480bEmulated, OpenFailuresSayWhatToFix) {
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
  auto port = TtyPort::Open(emu.path(), error);
  ASSERT_NE(port, nullptr);
  EXPECT_FALSE(port->low_latency()) << "a pseudo-terminal has no low-latency setting";
  Environment env = Environment::FromPairs({{"WM033_PORT2", "/dev/ttyACM9"}}, "/tmp");
  EXPECT_EQ(SerialDevicePath(env, 2), "/dev/ttyACM9");
  EXPECT_EQ(SerialDevicePath(env, 0).substr(0, 9), "/dev/ttyS");
}

}  // namespace
}  // namespace wm033::testing
