// The device routines through our DS2490 driver and the DS2490 emulator on the demo station:
// every reading as the simulated station gives it, the strong pull-up of a conversion as the
// datasheet has it, and a flaky USB link that garbles or drops replies costing at most the one
// reading it hit.
#include <gtest/gtest.h>

#include <cmath>

#include "onewire/sim/chips.h"
#include "onewire/temperature_math.h"
#include "tests/ds2490_rig.h"

namespace wm033::testing {
namespace {

using onewire::sim::PulseRecord;

float Temperature(Ds2490Rig& rig, uint8_t slot) {
  return rig.routines.ReadTtureChannel(slot);
}

// The station's own idea of a thermometer, to 1 degree (the routine truncates).
TEST(Ds2490Station, EveryRoutineReadsTheDemoStation) {
  Ds2490Rig rig;
  auto& f = rig.routines;
  for (uint8_t s : {0, 1, 2, 3, 4}) {
    const float t = Temperature(rig, s);
    EXPECT_GT(t, -30.0f) << int(s);
    EXPECT_LT(t, 45.0f) << int(s);
  }
  EXPECT_TRUE(f.reports.empty()) << f.reports.front();

  // Counters: the count the emulated DS2423 holds, low 23 bits.
  for (uint8_t s : {5, 6, 7, 11, 12}) {
    auto* chip = dynamic_cast<onewire::sim::Ds2423*>(rig.station.ChipOfLine(char('k' + s)));
    ASSERT_NE(chip, nullptr);
    const int page = rig.cfg.chips[s].counter_page;
    const uint32_t low = chip->Counter(page) & 0x7FFFFF;
    uint32_t count = 0;
    uint16_t code = 1;
    int32_t dall = 0;
    f.DMLGetCount(s, static_cast<uint8_t>(page), count, code, dall);
    EXPECT_EQ(code, 0) << int(s);
    EXPECT_GE(count, low) << int(s);
    EXPECT_LE(count, chip->Counter(page) & 0x7FFFFF) << int(s);
  }

  // DS2438 pressure and humidity: volts in range and a temperature.
  for (uint8_t s : {8, 9}) {
    float volts = -1, t = -99;
    uint16_t code = 1;
    int16_t dall = 0;
    f.Read2438(s, volts, t, code, dall);
    EXPECT_EQ(code, 0) << int(s);
    EXPECT_GE(volts, 0.0f);
    EXPECT_LT(volts, 10.0f);
  }

  // The vane's DS2450.
  uint16_t code = 1;
  int32_t dall = 0;
  f.DML2450Init(10, code, dall);
  ASSERT_EQ(code, 0);
  uint16_t a, b, c, d;
  f.DMLGet2540ADC(10, a, b, c, d, code, dall);
  EXPECT_EQ(code, 0);
  EXPECT_NE(a, 999);
  EXPECT_EQ(a % 256, 0) << "8-bit readings, 256 times";
  EXPECT_TRUE(f.reports.empty()) << f.reports.front();
  EXPECT_TRUE(rig.notices.empty());
  EXPECT_EQ(rig.link->resyncs(), 0);
}

TEST(Ds2490Station, ConversionPullUpRunsForTheWaitAndIsHalted) {
  Ds2490Rig rig;
  uint16_t code = 1;
  float t = 0;
  rig.routines.TakeABNWTture(0, code, t);
  ASSERT_EQ(code, 0);
  ASSERT_EQ(rig.chip.pulses().size(), 1u);
  const PulseRecord& p = rig.chip.pulses()[0];
  EXPECT_FALSE(p.programming);
  EXPECT_TRUE(p.halted) << "an infinite pull-up ends by HALT EXECUTION";
  EXPECT_GE(p.end_us - p.start_us, 1100000u) << "it lasts the whole conversion wait";
  EXPECT_LT(p.end_us - p.start_us, 1110000u);
  EXPECT_FALSE(rig.chip.PulseActive());
  // The DS2450 routine arms a pull-up after the next byte and disarms it before any byte: no
  // pull-up at all.
  int32_t dall = 0;
  rig.routines.DML2450Init(10, code, dall);
  uint16_t a, b, c, d;
  rig.routines.DMLGet2540ADC(10, a, b, c, d, code, dall);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(rig.chip.pulses().size(), 1u);
}

TEST(Ds2490Station, AMissingChipFailsItsVerify) {
  Ds2490Rig rig;
  rig.routines.bChipRom[0][3] ^= 0x40;  // no such thermometer
  EXPECT_EQ(Temperature(rig, 0), 255.0f);
  uint16_t code = 0;
  float t;
  rig.routines.bChipRom[1][6] ^= 0x01;
  rig.routines.TakeABNWTture(1, code, t);
  EXPECT_EQ(code, 3199);
  EXPECT_TRUE(rig.notices.empty());
}

// One harmed transfer in the middle of a reading: the reading that follows is good.
TEST(Ds2490Station, AGarbledOrMissingReplyCostsOneReadingAtMost) {
  struct Case {
    const char* what;
    int most;  // transfers of its kind in the two readings
    std::function<void(HarmfulUsb&, int)> harm;
  };
  const std::vector<Case> cases = {
      {"a failed status packet", 100,
       [](HarmfulUsb& u, int k) {
         u.status = {{Harm::kFail, k}};
       }},
      {"two short status packets", 100,
       [](HarmfulUsb& u, int k) {
         u.status = {{Harm::kShort, k}, {Harm::kShort, 0}};
       }},
      {"a garbled result", 100,
       [](HarmfulUsb& u, int k) {
         u.status = {{Harm::kGarble, k}};
       }},
      {"a refused request", 100,
       [](HarmfulUsb& u, int k) {
         u.control = {{Harm::kFail, k}};
       }},
      {"a lost data packet", 60,
       [](HarmfulUsb& u, int k) {
         u.bulk_in = {{Harm::kFail, k}};
       }},
      {"a ROM code not taken", 3,
       [](HarmfulUsb& u, int k) {
         u.bulk_out = {{Harm::kFail, k}};
       }},
  };
  for (const Case& c : cases) {
    for (int k = 0; k<c.most; k += c.most> 10 ? 7 : 1) {
      SCOPED_TRACE(std::string(c.what) + " after " + std::to_string(k) + " of its kind");
      Ds2490Rig rig;
      uint32_t before = 0;
      uint16_t code = 0;
      int32_t dall = 0;
      rig.routines.DMLGetCount(6, 14, before, code, dall);  // opens the adapter
      ASSERT_EQ(code, 0);
      c.harm(rig.usb, k);
      uint32_t count = 0;
      rig.routines.DMLGetCount(6, 14, count, code, dall);  // may fail
      float t = Temperature(rig, 1);                       // may fail
      const bool harmed = rig.usb.control.empty() && rig.usb.status.empty() &&
                          rig.usb.bulk_in.empty() && rig.usb.bulk_out.empty();
      if (!harmed) {
        EXPECT_GT(k, 0) << "the harm never came";
        break;  // past the end of these readings
      }
      rig.usb.Clear();
      uint32_t after = 0;
      rig.routines.DMLGetCount(6, 14, after, code, dall);
      EXPECT_EQ(code, 0);
      EXPECT_GE(after, before);
      t = Temperature(rig, 1);
      EXPECT_LT(t, 250.0f);
      EXPECT_TRUE(rig.notices.empty()) << rig.notices.front();
    }
  }
}

TEST(Ds2490Station, UnpluggedThenBackTellsOnceAndReadsAgain) {
  Ds2490Rig rig;
  EXPECT_LT(Temperature(rig, 0), 250.0f);
  rig.chip.Unplug(true);
  rig.unplugged = true;
  EXPECT_EQ(Temperature(rig, 0), 255.0f);
  EXPECT_EQ(Temperature(rig, 1), 255.0f);
  ASSERT_EQ(rig.notices.size(), 1u) << "told once, not at every reading";
  rig.chip.Unplug(false);
  rig.unplugged = false;
  EXPECT_LT(Temperature(rig, 0), 250.0f);
  EXPECT_EQ(rig.notices.size(), 1u);
}

}  // namespace
}  // namespace wm033::testing
