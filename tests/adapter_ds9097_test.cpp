// The passive DS9097 driver against a serial port that answers as the UART slots on the
// simulated bus would.
#include <gtest/gtest.h>

#include <deque>

#include "onewire/adapters/ds9097.h"
#include "onewire/search.h"
#include "onewire/sim/chips.h"
#include "onewire/sim/serial_emulator.h"

namespace wm033::onewire {
namespace {

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
