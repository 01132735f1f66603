// The DS2490 USB driver against scripted transfers (each expected request with its canned
// status and data), and the passive DS9097 driver against a serial port that answers as the
// UART slots on the simulated bus would.
#include <gtest/gtest.h>

#include <deque>

#include "onewire/adapters/ds2490.h"
#include "onewire/adapters/ds9097.h"
#include "onewire/search.h"
#include "onewire/sim/chips.h"
#include "onewire/sim/serial_emulator.h"

namespace wm033::onewire {
namespace {

using namespace ds2490;
using Bytes = std::vector<uint8_t>;

// One transfer the driver must make, and what the device gives back.
struct Step {
  char kind;  // 'c' control, 'o' bulk out, 'i' bulk in, 's' status
  uint8_t request = 0;
  uint16_t value = 0, index = 0;
  Bytes data;  // out: expected; in and status: the reply
  int result = 0;
};

Step Ctl(uint8_t req, uint16_t value, uint16_t index = 0) {
  return {'c', req, value, index, {}, 0};
}
Step Idle(Bytes results = {}) {
  Bytes st(16, 0);
  st[kStatusFlags] = kStIdle;
  st.insert(st.end(), results.begin(), results.end());
  return {'s', 0, 0, 0, st, 0};
}
Step Busy() {
  Bytes st(16, 0);
  st[kStatusCommBuffer] = 1;
  return {'s', 0, 0, 0, st, 0};
}
Step In(Bytes d) {
  return {'i', 0, 0, 0, std::move(d), 0};
}

class ScriptedUsb : public UsbTransfer {
 public:
  explicit ScriptedUsb(std::deque<Step>& script) : script_(script) {}
  int Control(uint8_t request, uint16_t value, uint16_t index) override {
    Step s = Next('c');
    EXPECT_EQ(s.request, request);
    EXPECT_EQ(s.value, value) << std::hex << value;
    EXPECT_EQ(s.index, index);
    return s.result;
  }
  int BulkOut(const uint8_t* d, size_t n) override {
    Step s = Next('o');
    EXPECT_EQ(s.data, Bytes(d, d + n));
    return s.result < 0 ? s.result : static_cast<int>(n);
  }
  int BulkIn(uint8_t* d, size_t n) override { return Give(Next('i'), d, n); }
  int Status(uint8_t* d, size_t n) override { return Give(Next('s'), d, n); }

 private:
  Step Next(char kind) {
    if (script_.empty()) {
      ADD_FAILURE() << "unexpected transfer " << kind;
      return {kind, 0, 0, 0, {}, -4};
    }
    Step s = script_.front();
    script_.pop_front();
    EXPECT_EQ(s.kind, kind);
    return s;
  }
  static int Give(const Step& s, uint8_t* d, size_t n) {
    if (s.result < 0) return s.result;
    const size_t k = std::min(n, s.data.size());
    std::copy(s.data.begin(), s.data.begin() + k, d);
    return static_cast<int>(k);
  }
  std::deque<Step>& script_;
};

class Ds2490Test : public ::testing::Test {
 protected:
  void SetUp() override {
    script = {Ctl(kControlCmd, kCtlResetDevice), Ctl(kModeCmd, kModPulseEnable, kPulseSpue),
              Ctl(kModeCmd, kModStrongPullUpDuration, kPullUpInfinite),
              Ctl(kModeCmd, kModSpeed, kSpeedNormal)};
    std::string error;
    ASSERT_TRUE(link.Open(error)) << error;
  }
  void TearDown() override { EXPECT_TRUE(script.empty()) << script.size() << " steps left"; }
  std::deque<Step> script;
  std::vector<std::string> notes;
  Ds2490Link link{[this](std::string&) { return std::make_unique<ScriptedUsb>(script); },
                  [this](const std::string& n) { notes.push_back(n); }};
};

constexpr uint16_t kReset = kCommReset | kCommF | kCommIm | kCommSe;

TEST_F(Ds2490Test, ResetResults) {
  script = {Ctl(kCommCmd, kReset), Busy(), Idle()};
  EXPECT_EQ(link.Reset(), kResetPresence);
  script = {Ctl(kCommCmd, kReset), Idle({kRrDetect, kRrNoPresence})};
  EXPECT_EQ(link.Reset(), kResetNoPresence);
  script = {Ctl(kCommCmd, kReset), Idle({kRrShort})};
  EXPECT_EQ(link.Reset(), kResetShort);
  script = {Ctl(kCommCmd, kReset), Idle({kRrAlarm})};
  EXPECT_EQ(link.Reset(), kResetAlarm);
}

TEST_F(Ds2490Test, BitsBytesAndThePullUp) {
  script = {Ctl(kCommCmd, kCommBitIo | kCommIm | kCommD), Idle(), In({1})};
  EXPECT_EQ(link.TouchBit(1), 1);
  script = {Ctl(kCommCmd, kCommByteIo | kCommIm, 0xFF), Idle(), In({0x5A})};
  EXPECT_EQ(link.TouchByte(0xFF), 0x5A);
  // Armed: the next byte carries the pull-up; the return to normal halts and resumes.
  EXPECT_EQ(link.SetLevel(LineLevel::StrongPullUp, LevelStart::AfterNextByte), 1);
  script = {Ctl(kCommCmd, kCommByteIo | kCommIm | kCommSpu, 0x44), Idle(), In({0x44}),
            Ctl(kControlCmd, kCtlHaltExeIdle), Ctl(kControlCmd, kCtlResumeExe)};
  EXPECT_EQ(link.TouchByte(0x44), 0x44);
  EXPECT_EQ(link.SetLevel(LineLevel::Normal, LevelStart::Now), 0);
  // At once: a pulse, ended by the next reset.
  script = {Ctl(kCommCmd, kCommPulse | kCommIm | kCommF), Ctl(kControlCmd, kCtlHaltExeIdle),
            Ctl(kControlCmd, kCtlResumeExe), Ctl(kCommCmd, kReset), Idle()};
  EXPECT_EQ(link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now), 1);
  EXPECT_EQ(link.Reset(), kResetPresence);
}

TEST_F(Ds2490Test, SearchAccessVerifies) {
  const Rom rom = {0x28, 1, 2, 3, 4, 5, 6, 0x77};
  const uint16_t cmd = kCommSearchAccess | kCommIm | kCommF | kCommRst;
  script = {{'o', 0, 0, 0, Bytes(rom.begin(), rom.end()), 0}, Ctl(kCommCmd, cmd, 0xF0), Idle()};
  EXPECT_EQ(link.AccelVerify(rom), 1);
  script = {{'o', 0, 0, 0, Bytes(rom.begin(), rom.end()), 0},
            Ctl(kCommCmd, cmd, 0xF0),
            Idle({kRrCompare})};
  EXPECT_EQ(link.AccelVerify(rom), 0);
  script = {{'o', 0, 0, 0, Bytes(rom.begin(), rom.end()), 0},
            Ctl(kCommCmd, cmd, 0xF0),
            Idle({kRrNoPresence})};
  EXPECT_EQ(link.AccelVerify(rom), 0);
}

TEST_F(Ds2490Test, UnpluggedFailsOnceAndReopens) {
  Step gone = Ctl(kCommCmd, kReset);
  gone.result = -4;
  script = {gone};
  EXPECT_EQ(link.Reset(), kLinkFailed);
  EXPECT_EQ(link.TouchByte(0xFF), kLinkFailed) << "no transfer without a device";
  ASSERT_EQ(notes.size(), 1u);
  script = {Ctl(kControlCmd, kCtlResetDevice),
            Ctl(kModeCmd, kModPulseEnable, kPulseSpue),
            Ctl(kModeCmd, kModStrongPullUpDuration, kPullUpInfinite),
            Ctl(kModeCmd, kModSpeed, kSpeedNormal),
            Ctl(kCommCmd, kReset),
            Idle()};
  link.OnSessionStart();
  EXPECT_EQ(link.Reset(), kResetPresence);
  EXPECT_EQ(notes.size(), 1u);
}

// The UART slots of a passive adapter on the simulated bus: 0xF0 at 9600 is a reset (a presence
// pulse pulls the upper bits of the echo low), 0xFF and 0x00 at 115200 are time slots.
class PassiveUart : public SerialPort {
 public:
  explicit PassiveUart(sim::SimBus& bus, bool* mute) : bus_(bus), mute_(mute) {}
  bool Write(const uint8_t* d, size_t n) override {
    for (size_t i = 0; i < n; ++i) {
      if (*mute_) continue;
      if (baud_ == 9600) {
        const int r = bus_.Reset();
        echo_.push_back(r == kResetPresence ? 0xE0 : r == kResetShort ? 0x00 : 0xF0);
      } else {
        const int bit = bus_.TouchBit(d[i] == 0xFF ? 1 : 0);
        echo_.push_back(bit ? 0xFF : 0xFE);
      }
    }
    return true;
  }
  int Read(uint8_t* d, size_t n, int) override {
    size_t k = 0;
    while (k < n && !echo_.empty()) {
      d[k++] = echo_.front();
      echo_.pop_front();
    }
    return static_cast<int>(k);
  }
  bool SetBaud(int b) override {
    baud_ = b;
    return true;
  }
  void SendBreak() override {}
  void Flush() override { echo_.clear(); }
  void Drain() override {}
  int baud() const override { return baud_; }

 private:
  sim::SimBus& bus_;
  bool* mute_;
  int baud_ = 9600;
  std::deque<uint8_t> echo_;
};

TEST(Ds9097, SearchesVerifiesAndReadsThroughUartSlots) {
  sim::WallClock clock(1e6);
  sim::SimBus bus;
  const Rom a = {0x1D, 0x15, 0xA5, 0x33, 0x05, 0, 0, 0x67};
  Rom b = a;
  b[1] = 0x16;
  auto zero = [] { return 0u; };
  bus.Add(std::make_unique<sim::Ds2423>(a, clock, zero, zero));
  bus.Add(std::make_unique<sim::Ds2423>(b, clock, zero, zero));
  bool mute = false;
  Ds9097Link link([&](std::string&) { return std::make_unique<PassiveUart>(bus, &mute); });
  std::string error;
  ASSERT_TRUE(link.Open(error)) << error;
  std::vector<Rom> found;
  EXPECT_EQ(SearchBus(link, found), 2);
  EXPECT_EQ(VerifyRom(link, a), 1);
  Rom absent = a;
  absent[2] ^= 1;
  EXPECT_EQ(VerifyRom(link, absent), 0);
  EXPECT_FALSE(link.HasStrongPullUp());
  EXPECT_EQ(link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now), kLinkNotSupported);
  mute = true;
  EXPECT_EQ(link.Reset(), kLinkFailed) << "no echo: a failure, not a hang";
  mute = false;
  link.OnSessionStart();
  EXPECT_EQ(link.Reset(), kResetPresence);
}

}  // namespace
}  // namespace wm033::onewire
