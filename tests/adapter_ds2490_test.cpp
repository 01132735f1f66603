// The DS2490 driver against canned transfers: each result code the datasheet documents, result
// bits it does not define for the command, status packets that are short, fail, never go idle or
// carry EP0F or HALT, stale or missing data, and a device that disappears. The requests the
// driver makes are recorded and checked where they matter.
#include <gtest/gtest.h>

#include <deque>
#include <variant>

#include "onewire/adapters/ds2490.h"

namespace wm033::onewire {
namespace {

using namespace ds2490;
using Bytes = std::vector<uint8_t>;

// A status packet: the state registers after a set-up, idle unless told otherwise.
Bytes Packet(Bytes results = {}, uint8_t flags = kStIdle, uint8_t fifo = 0, uint8_t data_in = 0) {
  Bytes p(16, 0);
  p[kStatusEnable] = kEnSpue;
  p[kStatusFlags] = flags;
  p[kStatusCommBuffer] = fifo;
  p[kStatusDataIn] = data_in;
  p.insert(p.end(), results.begin(), results.end());
  return p;
}
Bytes Busy() {
  return Packet({}, 0, 0);
}

using Reply = std::variant<Bytes, int>;  // a packet, or a negative result

class CannedUsb : public UsbTransfer {
 public:
  std::deque<Reply> status, bulk_in;
  std::deque<int> control_results;  // for the next controls, in order; then 0
  std::vector<std::string> controls;
  std::vector<Bytes> bulk_out;
  int statuses = 0;

  int Control(uint8_t request, uint16_t value, uint16_t index) override {
    char b[32];
    std::snprintf(b, sizeof b, "%u %04X %04X", request, value, index);
    controls.push_back(b);
    if (control_results.empty()) return 0;
    const int r = control_results.front();
    control_results.pop_front();
    return r;
  }
  int BulkOut(const uint8_t* d, size_t n) override {
    bulk_out.emplace_back(d, d + n);
    return static_cast<int>(n);
  }
  int BulkIn(uint8_t* d, size_t n) override { return Give(bulk_in, d, n, kUsbErrorTimeout); }
  int Status(uint8_t* d, size_t n) override {
    ++statuses;
    if (status.empty()) status.push_back(Packet());
    return Give(status, d, n, 0);
  }
  size_t Count(const std::string& control) const {
    return static_cast<size_t>(std::count(controls.begin(), controls.end(), control));
  }

 private:
  static int Give(std::deque<Reply>& q, uint8_t* d, size_t n, int when_empty) {
    if (q.empty()) return when_empty;
    Reply r = q.front();
    q.pop_front();
    if (auto* e = std::get_if<int>(&r)) return *e;
    const Bytes& b = std::get<Bytes>(r);
    const size_t k = std::min(n, b.size());
    std::copy(b.begin(), b.begin() + static_cast<long>(k), d);
    return static_cast<int>(k);
  }
};

const std::string kDeviceReset = "0 0000 0000";
const std::string kHalt = "0 0003 0000";
const std::string kResume = "0 0002 0000";
const std::string kResetCmd = "1 0C4B 0000";   // RESET IM SE F NTF, regular speed
const std::string kVerifyCmd = "1 0DF5 00F0";  // SEARCH ACCESS IM RST F NTF, SM 0, F0

class Ds2490Driver : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(link.Open(error)) << error;
    ASSERT_EQ(usb->controls.size(), 4u);
    usb->controls.clear();
  }
  // Runs `op` with these status packets (then idle ones) and EP3 replies.
  template <class Op>
  auto With(std::vector<Reply> statuses, std::vector<Reply> data, Op op) {
    usb->status.assign(statuses.begin(), statuses.end());
    usb->bulk_in.assign(data.begin(), data.end());
    usb->controls.clear();
    return op();
  }
  CannedUsb* usb = nullptr;
  std::vector<std::string> notes;
  Ds2490Link link{[this](std::string&) {
                    auto u = std::make_unique<CannedUsb>();
                    usb = u.get();
                    return u;
                  },
                  [this](const std::string& n) { notes.push_back(n); }};
};

TEST_F(Ds2490Driver, ResetTakesEveryDocumentedResult) {
  auto reset = [&] { return link.Reset(); };
  EXPECT_EQ(With({Busy(), Packet({0x00})}, {}, reset), kResetPresence);
  EXPECT_EQ(usb->controls, std::vector<std::string>({kResetCmd}));
  EXPECT_EQ(With({Packet({kRrDetect, 0x00})}, {}, reset), kResetPresence) << "0xA5 is no result";
  EXPECT_EQ(With({Packet({kRrNoPresence})}, {}, reset), kResetNoPresence);
  EXPECT_EQ(With({Packet({kRrShort})}, {}, reset), kResetShort);
  EXPECT_EQ(With({Packet({kRrShort | kRrNoPresence})}, {}, reset), kResetShort);
  EXPECT_EQ(With({Packet({kRrAlarm})}, {}, reset), kResetAlarm);
  // The result may come a packet after the idle one.
  EXPECT_EQ(With({Packet(), Packet({0x00})}, {}, reset), kResetPresence);
  EXPECT_EQ(link.resyncs(), 0);
  EXPECT_TRUE(notes.empty());
}

TEST_F(Ds2490Driver, ResetWithAnUndefinedOrLostResultIsMadeAgain) {
  for (uint8_t bad : {0x08, 0x10, 0x20, 0x40, 0x80, 0xFF}) {
    SCOPED_TRACE(int(bad));
    const int resyncs = link.resyncs();
    // The bad result; the chip reset (its set-up read back); the reset again, answered.
    EXPECT_EQ(With({Packet({bad}), Packet(), Packet({0x00})}, {}, [&] { return link.Reset(); }),
              kResetPresence);
    EXPECT_EQ(usb->Count(kDeviceReset), 1u);
    EXPECT_EQ(usb->Count(kResetCmd), 2u);
    EXPECT_EQ(link.resyncs(), resyncs + 1);
  }
  // No result at all: idle packets only.
  EXPECT_EQ(With({Packet(), Packet(), Packet(), Packet(), Packet(), Packet({0x00})}, {},
                 [&] { return link.Reset(); }),
            kResetPresence);
  EXPECT_EQ(usb->Count(kResetCmd), 2u);
  // Twice garbled: that reset fails, the adapter stays.
  EXPECT_EQ(
      With({Packet({0x40}), Packet(), Packet({0x40}), Packet()}, {}, [&] { return link.Reset(); }),
      kLinkFailed);
  EXPECT_EQ(With({Packet({0x00})}, {}, [&] { return link.Reset(); }), kResetPresence);
  EXPECT_TRUE(notes.empty());
}

TEST_F(Ds2490Driver, VerifyTakesEveryDocumentedResult) {
  const Rom rom = {0x28, 1, 2, 3, 4, 5, 6, 0x77};
  auto verify = [&] { return *link.AccelVerify(rom); };
  EXPECT_EQ(With({Busy(), Packet({kRrDetect}), Packet({0x00})}, {}, verify), 1);
  EXPECT_EQ(usb->controls, std::vector<std::string>({kVerifyCmd}));
  EXPECT_EQ(usb->bulk_out.back(), Bytes(rom.begin(), rom.end()));
  EXPECT_EQ(With({Packet({kRrNoPresence})}, {}, verify), 0);
  EXPECT_EQ(With({Packet({kRrShort})}, {}, verify), -kResetShort);
  // EOS belongs to SM 1: made again.
  EXPECT_EQ(With({Packet({kRrEndOfSearch}), Packet(), Packet({0x00})}, {}, verify), 1);
  EXPECT_EQ(usb->Count(kVerifyCmd), 2u);
  EXPECT_EQ(usb->bulk_out.size(), 5u) << "the ROM code again with it";
}

TEST_F(Ds2490Driver, BytesTakeTheirReplyByTheStatus) {
  auto byte = [&] { return link.TouchByte(0xBE); };
  EXPECT_EQ(With({Busy(), Packet({}, kStIdle, 0, 1)}, {Bytes{0x5A}}, byte), 0x5A);
  EXPECT_EQ(usb->controls, std::vector<std::string>({"1 0053 00BE"}));
  // CMP after a BYTE I/O: documented, and the byte read is still the byte.
  EXPECT_EQ(With({Packet({0x10}, kStIdle, 0, 1)}, {Bytes{0x33}}, byte), 0x33);
  // Left-over bytes before ours: ours is the last.
  EXPECT_EQ(With({Packet({}, kStIdle, 0, 3)}, {Bytes{1, 2, 0x77}}, byte), 0x77);
  EXPECT_EQ(With({Packet({}, kStIdle, 0, 1)}, {Bytes{1}}, [&] { return link.TouchBit(1); }), 1);
  EXPECT_EQ(usb->controls, std::vector<std::string>({"1 0029 0000"}));
  EXPECT_EQ(link.resyncs(), 0);
}

TEST_F(Ds2490Driver, AMissingOrGarbledReplyFailsThatByteOnly) {
  auto byte = [&] { return link.TouchByte(0xFF); };
  const std::vector<std::pair<std::vector<Reply>, std::vector<Reply>>> cases = {
      {{Packet()}, {}},                                    // idle, nothing in EP3
      {{Packet({}, kStIdle, 0, 1)}, {kUsbErrorTimeout}},   // said there, did not come
      {{Packet({}, kStIdle, 0, 1)}, {kUsbErrorOverflow}},  // more than a packet
      {{Packet({}, kStIdle, 0, 2)}, {Bytes{1}}},           // fewer than it said
      {std::vector<Reply>(1000, Busy()), {}},              // never idle
      {std::vector<Reply>(9, kUsbErrorIo), {}},            // no status at all
      {std::vector<Reply>(9, Bytes(8, 0)), {}},            // only short packets
      {{Packet({}, kStIdle | kStEp0f), Packet({}, kStIdle | kStEp0f)}, {}},  // dropped twice
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const int resyncs = link.resyncs();
    EXPECT_EQ(With(cases[i].first, cases[i].second, byte), kLinkFailed);
    EXPECT_EQ(link.resyncs(), resyncs + 1);
    EXPECT_GE(usb->Count(kDeviceReset), 1u);
    EXPECT_EQ(With({Packet({}, kStIdle, 0, 1)}, {Bytes{0x42}}, byte), 0x42) << "the next works";
  }
  EXPECT_TRUE(notes.empty());
}

TEST_F(Ds2490Driver, StatusTroubleThatIsPutRight) {
  auto byte = [&] { return link.TouchByte(0xFF); };
  // A few failed or short packets are read again.
  EXPECT_EQ(With({kUsbErrorIo, Bytes(8, 0), kUsbErrorOverflow, Packet({}, kStIdle, 0, 1)},
                 {Bytes{9}}, byte),
            9);
  // EP0F: the request was dropped; a device reset and the request again.
  EXPECT_EQ(
      With({Packet({}, kStIdle | kStEp0f), Packet(), Packet({}, kStIdle, 0, 1)}, {Bytes{8}}, byte),
      8);
  EXPECT_EQ(usb->controls.front(), "1 0053 00FF");
  EXPECT_EQ(usb->controls.back(), "1 0053 00FF");
  EXPECT_EQ(usb->Count(kDeviceReset), 1u);
  // Halted with our request waiting: resumed.
  EXPECT_EQ(With({Packet({}, kStIdle | kStHalt, 3), Packet({}, kStIdle, 0, 1)}, {Bytes{7}}, byte),
            7);
  EXPECT_EQ(usb->Count(kResume), 1u);
  EXPECT_EQ(link.resyncs(), 0);
}

TEST_F(Ds2490Driver, StrongPullUpNowAfterAByteAndItsEnd) {
  // Now: PULSE; running once SPUA shows; normal again: HALT, RESUME, SPUA gone.
  EXPECT_EQ(With({Busy(), Packet({}, kStSpua)}, {},
                 [&] { return link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now); }),
            1);
  EXPECT_EQ(usb->controls, std::vector<std::string>({"1 0831 0000"}));
  EXPECT_EQ(With({Packet({}, kStSpua), Packet()}, {},
                 [&] { return link.SetLevel(LineLevel::Normal, LevelStart::Now); }),
            0);
  EXPECT_EQ(usb->controls, std::vector<std::string>({kHalt, kResume}));

  // After the next byte: that BYTE I/O carries SPU; the next operation ends the pull-up first.
  EXPECT_EQ(link.SetLevel(LineLevel::StrongPullUp, LevelStart::AfterNextByte), 1);
  EXPECT_EQ(With({Packet({}, kStSpua, 0, 1)}, {Bytes{0x44}}, [&] { return link.TouchByte(0x44); }),
            0x44);
  EXPECT_EQ(usb->controls, std::vector<std::string>({"1 1053 0044"}));
  EXPECT_EQ(With({Packet(), Packet({0x00})}, {}, [&] { return link.Reset(); }), kResetPresence);
  EXPECT_EQ(usb->controls, std::vector<std::string>({kHalt, kResume, kResetCmd}));
  // Armed and disarmed before any byte: no pull-up at all.
  link.SetLevel(LineLevel::StrongPullUp, LevelStart::AfterNextByte);
  EXPECT_EQ(With({}, {}, [&] { return link.SetLevel(LineLevel::Normal, LevelStart::Now); }), 0);
  EXPECT_TRUE(usb->controls.empty());
  EXPECT_EQ(With({Packet({}, kStIdle, 0, 1)}, {Bytes{0xFF}}, [&] { return link.TouchByte(0xFF); }),
            0xFF);
  EXPECT_EQ(usb->controls, std::vector<std::string>({"1 0053 00FF"}));
  EXPECT_EQ(link.resyncs(), 0);
}

TEST_F(Ds2490Driver, APullUpThatDoesNotStartOrEnd) {
  // The chip went idle without SPUA (pulses not enabled): set up again, PULSE again.
  EXPECT_EQ(With({Packet(), Packet(), Packet({}, kStSpua)}, {},
                 [&] { return link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now); }),
            1);
  EXPECT_EQ(usb->Count("1 0831 0000"), 2u);
  EXPECT_EQ(usb->Count(kDeviceReset), 1u);
  // SPUA for ever after HALT: the chip is reset, that operation fails, the next one works.
  std::vector<Reply> stuck(300, Packet({}, kStSpua));
  stuck.push_back(Packet());        // the chip's set-up read back
  stuck.push_back(Packet({0x00}));  // the reset, made again
  EXPECT_EQ(With(stuck, {}, [&] { return link.Reset(); }), kResetPresence);
  EXPECT_EQ(usb->Count(kDeviceReset), 1u);
  // A byte that should carry the pull-up and did not: that byte fails.
  link.SetLevel(LineLevel::StrongPullUp, LevelStart::AfterNextByte);
  EXPECT_EQ(With({Packet({}, kStIdle, 0, 1)}, {Bytes{0x44}}, [&] { return link.TouchByte(0x44); }),
            kLinkFailed);
  EXPECT_TRUE(notes.empty());
}

TEST_F(Ds2490Driver, AVanishedDeviceIsToldOnceAndOpenedAgain) {
  EXPECT_EQ(With({kUsbErrorNoDevice}, {}, [&] { return link.Reset(); }), kLinkFailed);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("DS9490"), std::string::npos);
  EXPECT_EQ(link.TouchByte(0xFF), kLinkFailed);
  EXPECT_EQ(link.SetLevel(LineLevel::StrongPullUp, LevelStart::Now), kLinkFailed);
  EXPECT_EQ(*link.AccelVerify(Rom{}), kLinkFailed);
  EXPECT_EQ(notes.size(), 1u);
  link.OnSessionStart();  // opens a new device
  ASSERT_NE(usb, nullptr);
  EXPECT_EQ(With({Packet({0x00})}, {}, [&] { return link.Reset(); }), kResetPresence);
  EXPECT_EQ(notes.size(), 1u);
}

TEST(Ds2490DriverOpen, AStalePacketFirstIsNoTrouble) {
  Ds2490Link link([](std::string&) {
    auto u = std::make_unique<CannedUsb>();
    u->status = {Bytes(16, 0), Packet()};  // from before the set-up, then as set up
    return u;
  });
  std::string error;
  EXPECT_TRUE(link.Open(error)) << error;
}

TEST(Ds2490DriverOpen, AChipThatDoesNotShowItsSetUpIsNotOpened) {
  Ds2490Link link([](std::string&) {
    auto u = std::make_unique<CannedUsb>();
    u->status.assign(16, Bytes(16, 0));  // pull-ups not enabled
    return u;
  });
  std::string error;
  EXPECT_FALSE(link.Open(error));
  EXPECT_NE(error.find("set-up"), std::string::npos);
  EXPECT_EQ(link.Reset(), kLinkFailed) << "no device kept";
}

}  // namespace
}  // namespace wm033::onewire
