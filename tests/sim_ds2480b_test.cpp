// The DS2480B emulator as the datasheet describes the chip: the command set byte for byte, its
// time line (pulses, the one-byte receive buffer), what a UART makes of characters at another
// rate, and the pty front end as a host sees it through termios (power with the port, the master
// reset by a NULL at 4800 baud, a flush that is not a break, baud changes, latency).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "onewire/sim/chips.h"
#include "onewire/sim/serial_emulator.h"
#include "onewire/sim/uart_frames.h"

namespace wm033::testing {
namespace {

using namespace onewire;
using namespace onewire::sim;
using Bytes = std::vector<uint8_t>;

// Feeds bytes to a chip, all at one time (or each at its own), and collects the replies.
struct ChipRig {
  explicit ChipRig(bool timed = false) : chip(bus) { chip.set_timed(timed); }
  Bytes Feed(const Bytes& in, int64_t at_us = 0) {
    std::vector<ChipOutput> out;
    for (uint8_t b : in) chip.Receive(b, at_us, out);
    return BytesOf(out);
  }
  Bytes Advance(int64_t to_us) {
    std::vector<ChipOutput> out;
    chip.Advance(to_us, out);
    last = out;
    return BytesOf(out);
  }
  static Bytes BytesOf(const std::vector<ChipOutput>& out) {
    Bytes b;
    for (const ChipOutput& o : out) b.push_back(o.byte);
    return b;
  }
  SimBus bus;
  Ds2480bEmulator chip;
  std::vector<ChipOutput> last;
};

struct FixedClock : SimClock {
  uint32_t Ticks() override { return 0; }
  double Now() override { return 41144.5; }
};

const Rom kThermometer = {0x28, 0x10, 0xA0, 0x33, 0x05, 0x00, 0x00, 0x83};
const Rom kCounter = {0x1D, 0x15, 0xA5, 0x33, 0x05, 0x00, 0x00, 0x67};

TEST(Ds2480bChip, TimingByteThenConfigurationWithDefaultsAndReadBack) {
  ChipRig r;
  EXPECT_TRUE(r.Feed({0xC1}).empty()) << "the timing byte is neither executed nor answered";
  EXPECT_EQ(r.chip.bus_resets(), 0);
  // Power-on values read back: PDSRC 15 V/us, PPD 512 us, SPUD 524 ms, W1LT 8 us, DSO 3 us,
  // LOAD 3.0 mA, 9600 baud.
  EXPECT_EQ(r.Feed({0x03, 0x05, 0x07, 0x09, 0x0B, 0x0D, 0x0F}),
            (Bytes{0x00, 0x08, 0x08, 0x00, 0x00, 0x08, 0x00}));
  // Writes are echoed with bit 0 clear and read back.
  EXPECT_EQ(r.Feed({0x17, 0x45, 0x5B, 0x3F}), (Bytes{0x16, 0x44, 0x5A, 0x3E}));
  EXPECT_EQ(r.Feed({0x03, 0x09, 0x0B, 0x07}), (Bytes{0x06, 0x04, 0x0A, 0x0E}));
  EXPECT_EQ(r.Feed({0x95}), Bytes{0x97}) << "a read slot on an empty bus reads 1";
  EXPECT_EQ(r.Feed({0x85}), Bytes{0x84}) << "a write-0 slot reads 0";
  EXPECT_EQ(r.Feed({0x91}), Bytes{0x93}) << "standard speed: the speed bits come back as sent";
  EXPECT_EQ(r.chip.ignored(), 0);
}

TEST(Ds2480bChip, ResetRepliesWithAndWithoutTheProgrammingSupply) {
  FixedClock clock;
  ChipRig r;
  r.Feed({0xC1});
  EXPECT_EQ(r.Feed({0xC5}), Bytes{0xCF}) << "no presence on an empty bus";
  r.bus.Add(std::make_unique<Ds18x20>(kThermometer, clock, [] { return 21.0; }));
  EXPECT_EQ(r.Feed({0xC5}), Bytes{0xCD});
  r.chip.set_vpp(true);
  EXPECT_EQ(r.Feed({0xC1}), Bytes{0xED}) << "bit 5: 12 V present";
  r.bus.SetShort(true);
  EXPECT_EQ(r.Feed({0xC5}), Bytes{0xEC});
  r.bus.SetShort(false);
  EXPECT_EQ(r.Feed({0xC9}), Bytes{0xEF}) << "overdrive: no emulated chip answers";
  EXPECT_EQ(r.Feed({0xCD}), Bytes{0xED}) << "speed code 11 is standard speed";
}

TEST(Ds2480bChip, DataModeAndTheE3Escape) {
  ChipRig r;
  r.Feed({0xC1});
  EXPECT_EQ(r.Feed({0xE1, 0x55, 0xE3, 0xE3, 0xA5}), (Bytes{0x55, 0xE3, 0xA5}));
  EXPECT_TRUE(r.chip.data_mode());
  EXPECT_EQ(r.Feed({0xE3, 0xC5}), Bytes{0xCF}) << "E3 and a command: back in command mode";
  EXPECT_FALSE(r.chip.data_mode());
  EXPECT_TRUE(r.Feed({0xE3, 0xF1}).empty()) << "E3 and F1 in command mode do nothing";
  EXPECT_FALSE(r.chip.data_mode());
}

TEST(Ds2480bChip, UndefinedCodesAreIgnored) {
  ChipRig r;
  r.Feed({0xC1});
  // Bit 0 clear, and 111x codes whose speed bits are not 11 (other than E1, E3, F1).
  EXPECT_TRUE(r.Feed({0x00, 0x02, 0x80, 0xC4, 0xE5, 0xE7, 0xE9, 0xF3, 0xFB}).empty());
  EXPECT_EQ(r.chip.ignored(), 9);
  EXPECT_FALSE(r.chip.data_mode());
  EXPECT_EQ(r.Feed({0x0F}), Bytes{0x00}) << "still in step";
}

TEST(Ds2480bChip, SearchAcceleratorChoosesFlagsAndDirections) {
  FixedClock clock;
  ChipRig r;
  r.bus.Add(std::make_unique<Ds18x20>(kThermometer, clock, [] { return 21.0; }));
  r.bus.Add(std::make_unique<Ds2423>(kCounter, clock, nullptr, nullptr));
  r.Feed({0xC1});
  EXPECT_EQ(r.Feed({0xC5, 0xE1, 0xF0, 0xE3, 0xB5, 0xE1}), (Bytes{0xCD, 0xF0}));
  EXPECT_TRUE(r.chip.accelerator());
  // 0x28 = 0010 1000 and 0x1D = 0001 1101 differ at bit 0: a discrepancy (flag), our direction 0
  // is taken and the counter drops out; bits 1-3 are the thermometer's alone: 0 0 1.
  const Bytes first = r.Feed({0x00});
  ASSERT_EQ(first.size(), 1u);
  EXPECT_EQ(first[0], 0x81) << "bits 0 0 0 1 chosen (odd bits), a flag at bit 0";
  EXPECT_EQ(r.Feed(Bytes(15, 0x00)).size(), 15u);
  r.Feed({0xE3, 0xA5});
  EXPECT_FALSE(r.chip.accelerator());
  // Direction 1 at the discrepancy follows the counter.
  r.Feed({0xC5, 0xE1, 0xF0, 0xE3, 0xB5, 0xE1});
  EXPECT_EQ(r.Feed({0x02}), Bytes{0xA3}) << "bits 1 0 1 1 chosen, a flag at bit 0";
  r.Feed(Bytes(15, 0x00));
  // An alarm search: no chip takes part, so both reads give 1 everywhere: 1 chosen, flag set.
  r.Feed({0xE3, 0xA5, 0xC5, 0xE1, 0xEC, 0xE3, 0xB5, 0xE1});
  EXPECT_EQ(r.Feed({0x00}), Bytes{0xFF});
}

TEST(Ds2480bChip, PulsesAnswerWhenTheyEndAndF1EndsThemEarly) {
  ChipRig r(/*timed=*/true);
  r.Feed({0xC1});
  // A 5 V pulse of the default 524 ms: answered when it ends, low bits undefined.
  EXPECT_TRUE(r.Feed({0xED}, 1000).empty());
  EXPECT_TRUE(r.chip.pulse_running());
  EXPECT_TRUE(r.Advance(1000 + 523'000).empty());
  EXPECT_EQ(r.Advance(1000 + 524'000), Bytes{0xEC});
  EXPECT_EQ(r.last[0].at_us, 1000 + 524'000);
  // Infinite: only F1 ends it, and F1 itself answers nothing: the pulse does.
  r.Feed({0x3F}, 600'000);
  EXPECT_TRUE(r.Feed({0xED}, 601'000).empty());
  EXPECT_TRUE(r.Advance(100'000'000).empty());
  EXPECT_EQ(r.Feed({0xF1}, 100'000'000), Bytes{0xEC});
  EXPECT_FALSE(r.chip.pulse_running());
  // A programming pulse (PPD 512 us) without the 12 V supply still runs its time.
  EXPECT_TRUE(r.Feed({0xFD}, 100'001'000).empty());
  EXPECT_EQ(r.Advance(100'001'512), Bytes{0xFC});
  // A single bit with its strong pull-up: the bit's reply, then EC or EF when the pull-up ends.
  EXPECT_EQ(r.Feed({0x97}, 100'010'000), Bytes{0x97});
  EXPECT_EQ(r.Feed({0xF1}, 100'020'000), Bytes{0xEF});
}

TEST(Ds2480bChip, ArmedPullUpFollowsEveryDataByteUntilDisarmed) {
  ChipRig r(/*timed=*/true);  // an empty bus: every byte reads back as sent
  r.Feed({0xC1, 0x3B}, 0);    // SPUD 1048 ms
  // Arming starts a pulse at once; ended early it answers.
  EXPECT_TRUE(r.Feed({0xEF}, 10'000).empty());
  EXPECT_TRUE(r.chip.armed());
  EXPECT_EQ(r.Feed({0xF1}, 11'000), Bytes{0xEC});
  // Every data byte is now followed by a pull-up, answered F6 or 76 by the byte's last bit.
  EXPECT_EQ(r.Feed({0xC5}, 20'000), Bytes{0xCF});
  r.Feed({0xE1}, 22'000);
  EXPECT_EQ(r.Feed({0xCC}, 23'000), Bytes{0xCC});  // eight 60 us slots: done at 23 480
  EXPECT_TRUE(r.Feed({0x44}, 30'000).empty()) << "held until the pull-up after CC is over";
  EXPECT_EQ(r.Advance(23'480 + 1'048'000 + 480), (Bytes{0xF6, 0x44}));
  EXPECT_EQ(r.Advance(5'000'000), Bytes{0x76});
  EXPECT_TRUE(r.chip.armed()) << "still armed for the next byte";
  // In data mode F1 is data and cannot end the pull-up; E3 waits for its end.
  EXPECT_EQ(r.Feed({0xFF}, 6'000'000), Bytes{0xFF});
  EXPECT_TRUE(r.Feed({0xE3}, 6'001'000).empty());
  EXPECT_EQ(r.Advance(8'000'000), Bytes{0xF6});
  // Disarmed by a pulse command without the arm bit, whose own pulse F1 ends.
  EXPECT_TRUE(r.Feed({0xED}, 8'100'000).empty());
  EXPECT_EQ(r.Feed({0xF1}, 8'101'000), Bytes{0xEC});
  EXPECT_FALSE(r.chip.armed());
  EXPECT_EQ(r.Feed({0xE1, 0xFF}, 8'200'000), Bytes{0xFF});
  EXPECT_TRUE(r.Advance(20'000'000).empty()) << "no pull-up after the byte";
}

TEST(Ds2480bChip, OneByteBufferLosesTheThirdByteSentTooFast) {
  ChipRig r(/*timed=*/true);
  r.Feed({0xC1, 0xE1}, 0);
  // At 115200 baud bytes arrive 87 us apart; each takes 8 standard slots (480 us).
  std::vector<ChipOutput> out;
  for (int i = 0; i < 3; ++i) r.chip.Receive(static_cast<uint8_t>(0x10 + i), 100 + 87 * i, out);
  r.chip.Advance(10'000, out);
  EXPECT_EQ(ChipRig::BytesOf(out), (Bytes{0x10, 0x11}));
  EXPECT_EQ(r.chip.overruns(), 1);
  EXPECT_EQ(out[1].at_us, 100 + 480 + 480) << "the held byte starts when the first is done";
}

TEST(Ds2480bChip, BaudChangeAnswersAtTheNewRateAndMasterResetGoesBack) {
  ChipRig r;
  r.Feed({0xC1});
  std::vector<ChipOutput> out;
  r.chip.Receive(0x77, 0, out);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].byte, 0x76);
  EXPECT_EQ(out[0].baud, 115200);
  EXPECT_EQ(r.Feed({0x0F}), Bytes{0x06});
  r.chip.PowerOn();
  EXPECT_EQ(r.chip.baud(), 9600);
  EXPECT_TRUE(r.Feed({0x0F}).empty()) << "waiting for the timing byte again";
  EXPECT_EQ(r.Feed({0x0F}), Bytes{0x00});
}

TEST(UartFrames, RatesThatDoNotMatch) {
  EXPECT_EQ(ReceiveAtRate(0xC1, 9600, 9600).size(), 1u);
  // A NULL at half the rate: start polarity where the stop bit belongs, as a break.
  auto f = ReceiveAtRate(0x00, 4800, 9600);
  ASSERT_FALSE(f.empty());
  EXPECT_TRUE(f[0].framing_error);
  EXPECT_EQ(f[0].byte, 0x00);
  // 0xFF at half the rate is only its start bit stretched: 0xFE and nothing broken.
  f = ReceiveAtRate(0xFF, 4800, 9600);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].byte, 0xFE);
  EXPECT_FALSE(f[0].framing_error);
  // Twelve times too fast: the receiver sees the first bit time and then idle line.
  f = ReceiveAtRate(0x0F, 115200, 9600);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].byte, 0xFF);
  EXPECT_TRUE(ReceiveAtRate(0xFF, 115200, 9600).empty()) << "a start bit too short to see";
  // Twelve times too slow: the first data bit fills a whole character.
  f = ReceiveAtRate(0x01, 9600, 115200);
  ASSERT_FALSE(f.empty());
  EXPECT_EQ(f[0].byte, 0x00);
  EXPECT_TRUE(f[0].framing_error);
  EXPECT_EQ(CharacterUs(9600), 1041);
}

// The front end as a host sees it: a raw tty on the slave.
class PtyRig {
 public:
  explicit PtyRig(bool timed = false) : chip_(bus_) {
    std::string error;
    EXPECT_TRUE(pty_.Open(error)) << error;
    controls.timed = timed;
    thread_ = std::thread([this] { pty_.Run(chip_, controls, -1); });
  }
  ~PtyRig() {
    Close();
    controls.stop = true;
    thread_.join();
  }
  void OpenPort() {
    fd_ = ::open(pty_.slave_path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd_, 0);
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd_, TCSANOW, &t);
    SetBaud(B9600);
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  void SetBaud(speed_t s) {
    termios t{};
    ::tcgetattr(fd_, &t);
    ::cfsetispeed(&t, s);
    ::cfsetospeed(&t, s);
    ::tcsetattr(fd_, TCSANOW, &t);
  }
  void Send(const Bytes& b) {
    ASSERT_EQ(::write(fd_, b.data(), b.size()), static_cast<ssize_t>(b.size()));
    ::tcdrain(fd_);
  }
  // Reads what arrives within `ms`.
  Bytes Receive(size_t want, int ms = 300) {
    Bytes got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.size() < want && std::chrono::steady_clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      ::poll(&p, 1, 5);
      uint8_t b[64];
      const ssize_t n = ::read(fd_, b, sizeof b);
      if (n > 0) got.insert(got.end(), b, b + n);
    }
    return got;
  }
  void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  EmulatorControls controls;
  const EmulatorStats& stats() const { return pty_.stats(); }
  int fd() const { return fd_; }

 private:
  SimBus bus_;
  Ds2480bEmulator chip_;
  PtyEmulator pty_;
  std::thread thread_;
  int fd_ = -1;
};

TEST(Ds2480bPty, PortOpeningPowersTheChipAndAFlushIsNoBreak) {
  PtyRig r;
  r.OpenPort();
  r.Send({0xC1});  // the timing byte
  r.Pause(5);
  ::tcflush(r.fd(), TCIOFLUSH);
  r.Send({0x17, 0x45, 0x5B, 0x0F, 0x95});
  EXPECT_EQ(r.Receive(5), (Bytes{0x16, 0x44, 0x5A, 0x00, 0x97}));
  // A host that flushes again and sends a timing byte finds a calibrated chip: it resets.
  ::tcflush(r.fd(), TCIOFLUSH);
  r.Send({0xC1});
  EXPECT_EQ(r.Receive(1), Bytes{0xCF});
  EXPECT_GE(r.stats().flushes.load(), 2);
  // Closing the port is a power cycle: the next session starts with a timing byte again.
  r.Close();
  r.Pause(60);
  r.OpenPort();
  r.Send({0x0F});
  EXPECT_TRUE(r.Receive(1, 100).empty());
  r.Send({0x0F});
  EXPECT_EQ(r.Receive(1), Bytes{0x00});
  EXPECT_EQ(r.stats().power_ups.load(), 2);
}

TEST(Ds2480bPty, NullAt4800IsAMasterReset) {
  PtyRig r;
  r.OpenPort();
  r.Send({0xC1, 0x77});  // 115200 baud; the answer comes at the new rate
  r.Pause(5);
  r.SetBaud(B115200);
  r.Receive(1, 50);
  r.Send({0x0F});
  EXPECT_EQ(r.Receive(1), Bytes{0x06});
  // A byte at 9600 holds the line low for twelve of the chip's bit times: a master reset.
  r.SetBaud(B9600);
  r.Send({0x0F});
  EXPECT_TRUE(r.Receive(1, 100).empty());
  EXPECT_GE(r.stats().master_resets.load(), 1);
  r.Send({0xC1, 0x0F});
  EXPECT_EQ(r.Receive(1), Bytes{0x00}) << "calibrated again at 9600";
  // The datasheet's software reset: a NULL at 4800 baud.
  const int before = r.stats().master_resets.load();
  r.SetBaud(B4800);
  r.Send({0x00});
  r.Pause(5);
  r.SetBaud(B9600);
  EXPECT_EQ(r.stats().master_resets.load(), before + 1);
  r.Send({0xC1});
  EXPECT_TRUE(r.Receive(1, 100).empty()) << "the timing byte after the reset";
  r.Send({0x0F});
  EXPECT_EQ(r.Receive(1), Bytes{0x00}) << "back at 9600";
}

TEST(Ds2480bPty, RepliesTakeTheirTimeAndTheConverterLatency) {
  PtyRig r(/*timed=*/true);
  r.controls.latency_us = 16'000;
  r.OpenPort();
  r.Send({0xC1});
  r.Pause(5);
  const auto start = std::chrono::steady_clock::now();
  r.Send({0x0F});
  EXPECT_EQ(r.Receive(1, 500), Bytes{0x00});
  const auto took = std::chrono::steady_clock::now() - start;
  // In 1.04 ms, the reply's 1.04 ms, and 16 ms of latency.
  EXPECT_GE(took, std::chrono::microseconds(18'000));
  EXPECT_LT(took, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace wm033::testing
