// The emulated chips against their datasheets' byte layouts, driven bit by bit on the simulated
// bus; the ROM functions; the fault list; the weather model.
#include <gtest/gtest.h>

#include "onewire/crc.h"
#include "onewire/search.h"
#include "onewire/sim/bus.h"
#include "onewire/sim/chips.h"
#include "onewire/sim/station.h"

namespace wm033::onewire::sim {
namespace {

struct TestClock : SimClock {
  uint32_t ticks = 1000;
  double now = 41144.5;
  uint32_t Ticks() override { return ticks; }
  double Now() override { return now; }
};

// The bus as a link, so that the search routines run on it.
class BusLink : public OneWireLink {
 public:
  explicit BusLink(SimBus& bus) : bus_(bus) {}
  int Reset() override { return bus_.Reset(); }
  int TouchBit(int bit) override { return bus_.TouchBit(bit); }
  int SetLevel(LineLevel, LevelStart) override { return 0; }

 private:
  SimBus& bus_;
};

void Select(SimBus& bus, const Rom& rom) {
  ASSERT_EQ(bus.Reset(), kResetPresence);
  bus.TouchByte(kMatchRom);
  for (uint8_t b : rom) bus.TouchByte(b);
}

std::vector<uint8_t> ReadBytes(SimBus& bus, int n) {
  std::vector<uint8_t> out;
  for (int i = 0; i < n; ++i) out.push_back(static_cast<uint8_t>(bus.TouchByte(0xFF)));
  return out;
}

const Rom kCounterRom = {0x1D, 0xA5, 0x15, 0x53, 0x05, 0x00, 0x00, 0x67};
const Rom kAdcRom = {0x20, 0x1A, 0xAA, 0x53, 0x05, 0x00, 0x00, 0x00};
const Rom kB20Rom = {0x28, 0x10, 0xA0, 0x53, 0x05, 0x00, 0x00, 0x83};
const Rom kS20Rom = {0x10, 0x11, 0xA1, 0x53, 0x05, 0x00, 0x00, 0x9C};
const Rom kBmRom = {0x26, 0x18, 0xA8, 0x53, 0x05, 0x00, 0x00, 0x63};

TEST(SimChips, Ds2423ReadMemoryCounterWithInvertedCrc16) {
  TestClock clock;
  SimBus bus;
  auto& chip = static_cast<Ds2423&>(bus.Add(std::make_unique<Ds2423>(
      kCounterRom, clock, [] { return 0x00A5B6C7u; }, [] { return 0x00800001u; })));
  for (int i = 0; i < 32; ++i) chip.memory()[0x1E0 + i] = static_cast<uint8_t>(i * 7);
  Select(bus, kCounterRom);
  const uint8_t head[3] = {0xA5, 0xE0, 0x01};
  for (uint8_t b : head) EXPECT_EQ(bus.TouchByte(b), b);
  const std::vector<uint8_t> got = ReadBytes(bus, 42);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(got[i], i * 7);
  // Counter B, bit 23 set, least significant byte first; then four zeros.
  EXPECT_EQ(std::vector<uint8_t>(got.begin() + 32, got.begin() + 40),
            (std::vector<uint8_t>{0x01, 0x00, 0x80, 0x00, 0, 0, 0, 0}));
  std::vector<uint8_t> covered(head, head + 3);
  covered.insert(covered.end(), got.begin(), got.begin() + 40);
  const uint16_t crc = static_cast<uint16_t>(~Crc16(covered.data(), covered.size()));
  EXPECT_EQ(got[40], crc & 0xFF);
  EXPECT_EQ(got[41], crc >> 8);
  // The memory ends after page 15: 1s from then on.
  EXPECT_EQ(bus.TouchByte(0xFF), 0xFF);

  // From page 14, reading on gives page 15 with a CRC of its own bytes alone.
  Select(bus, kCounterRom);
  for (uint8_t b : {0xA5, 0xC0, 0x01}) bus.TouchByte(b);
  const std::vector<uint8_t> two = ReadBytes(bus, 84);
  EXPECT_EQ(two[32], 0xC7);
  std::vector<uint8_t> second(two.begin() + 42, two.begin() + 82);
  const uint16_t crc2 = static_cast<uint16_t>(~Crc16(second.data(), second.size()));
  EXPECT_EQ(two[82], crc2 & 0xFF);
  EXPECT_EQ(two[83], crc2 >> 8);
}

TEST(SimChips, Ds2423CounterResetFault) {
  TestClock clock;
  SimBus bus;
  uint32_t pulses = 5000;
  auto& chip = bus.Add(std::make_unique<Ds2423>(
      kCounterRom, clock, [&] { return pulses; }, [] { return 7u; }));
  auto& counter = static_cast<Ds2423&>(chip);
  const ChipFaults before = chip.faults();
  chip.faults().counter_reset = true;
  chip.OnFaultsChanged(before);
  EXPECT_EQ(counter.Counter(14), 0u);
  EXPECT_EQ(counter.Counter(15), 0u);
  pulses += 3;
  EXPECT_EQ(counter.Counter(14), 3u);
  EXPECT_EQ(counter.Counter(3), 0xFFFFFFFFu) << "pages without a counter";
}

TEST(SimChips, Ds2450WriteMemoryCrcAndEcho) {
  TestClock clock;
  SimBus bus;
  auto& adc = static_cast<Ds2450&>(bus.Add(
      std::make_unique<Ds2450>(kAdcRom, clock, [](int ch) { return ch == 0 ? 6.0 : 0.30; })));
  EXPECT_EQ(adc.memory()[0x08], 0x08);
  EXPECT_EQ(adc.memory()[0x09], 0x8C);
  Select(bus, kAdcRom);
  for (uint8_t b : {0x55, 0x08, 0x00}) bus.TouchByte(b);
  bus.TouchByte(0x08);
  std::vector<uint8_t> r = ReadBytes(bus, 3);
  const uint8_t first[4] = {0x55, 0x08, 0x00, 0x08};
  uint16_t crc = static_cast<uint16_t>(~Crc16(first, 4));
  EXPECT_EQ(r[0], crc & 0xFF);
  EXPECT_EQ(r[1], crc >> 8);
  EXPECT_EQ(r[2], 0x08);
  // For the next byte the new address is loaded into the CRC generator (not shifted in) and the
  // data shifted in: 8C at address 0009 is answered 3E 5C, as other hosts check it.
  bus.TouchByte(0x8C);
  r = ReadBytes(bus, 3);
  EXPECT_EQ(r[0], 0x3E);
  EXPECT_EQ(r[1], 0x5C);
  EXPECT_EQ(r[2], 0x8C);
  EXPECT_EQ(adc.memory()[0x09], 0x8C);
}

TEST(SimChips, Ds2450ConvertIsBusyThenReadsTopOfRange) {
  TestClock clock;
  SimBus bus;
  auto& adc = static_cast<Ds2450&>(bus.Add(
      std::make_unique<Ds2450>(kAdcRom, clock, [](int ch) { return ch == 0 ? 6.0 : 0.30; })));
  for (int ch = 0; ch < 4; ++ch) {
    adc.memory()[0x08 + 2 * ch] = 0x08;
    adc.memory()[0x09 + 2 * ch] = 0x01;
  }
  Select(bus, kAdcRom);
  for (uint8_t b : {0x3C, 0x0F, 0x00}) bus.TouchByte(b);
  const std::vector<uint8_t> crc_bytes = ReadBytes(bus, 2);
  const uint8_t head[3] = {0x3C, 0x0F, 0x00};
  const uint16_t crc = static_cast<uint16_t>(~Crc16(head, 3));
  EXPECT_EQ(crc_bytes[0], crc & 0xFF);
  EXPECT_EQ(crc_bytes[1], crc >> 8);
  EXPECT_EQ(bus.TouchByte(0xFF), 0x00) << "busy";
  clock.ticks += 4;
  EXPECT_EQ(bus.TouchByte(0xFF), 0xFF) << "done";
  Select(bus, kAdcRom);
  for (uint8_t b : {0xAA, 0x00, 0x00}) bus.TouchByte(b);
  const std::vector<uint8_t> res = ReadBytes(bus, 10);
  EXPECT_EQ(res[0] + 256 * res[1], 65280) << "above the range reads the top";
  EXPECT_EQ(res[2] + 256 * res[3], 3840);
  const uint8_t read_head[3] = {0xAA, 0x00, 0x00};
  uint16_t rcrc = Crc16(read_head, 3);
  rcrc = static_cast<uint16_t>(~Crc16(res.data(), 8, rcrc));
  EXPECT_EQ(res[8], rcrc & 0xFF);
  EXPECT_EQ(res[9], rcrc >> 8);

  // Stuck: never done.
  adc.faults().stuck = true;
  Select(bus, kAdcRom);
  for (uint8_t b : {0x3C, 0x0F, 0x00}) bus.TouchByte(b);
  ReadBytes(bus, 2);
  clock.ticks += 100000;
  EXPECT_EQ(bus.TouchByte(0xFF), 0x00);
}

TEST(SimChips, Ds18x20PowerOnScratchpadThenConversion) {
  TestClock clock;
  SimBus bus;
  double t = 25.0625;
  auto& b20 =
      static_cast<Ds18x20&>(bus.Add(std::make_unique<Ds18x20>(kB20Rom, clock, [&] { return t; })));
  bus.Add(std::make_unique<Ds18x20>(kS20Rom, clock, [] { return -0.5; }));
  EXPECT_EQ(b20.Scratchpad(),
            (std::array<uint8_t, 9>{0x50, 0x05, 0x4B, 0x46, 0x7F, 0xFF, 0x0C, 0x10, 0x1C}));
  Select(bus, kB20Rom);
  bus.TouchByte(0x44);
  EXPECT_EQ(bus.TouchByte(0xFF), 0x00);
  clock.ticks += 750;
  EXPECT_EQ(bus.TouchByte(0xFF), 0xFF);
  Select(bus, kB20Rom);
  bus.TouchByte(0xBE);
  std::vector<uint8_t> pad = ReadBytes(bus, 9);
  EXPECT_EQ(pad[0], 0x91);
  EXPECT_EQ(pad[1], 0x01);
  EXPECT_EQ(Crc8(pad.data(), 8), pad[8]);

  Select(bus, kS20Rom);
  bus.TouchByte(0x44);
  clock.ticks += 750;
  Select(bus, kS20Rom);
  bus.TouchByte(0xBE);
  pad = ReadBytes(bus, 9);
  EXPECT_EQ(pad[0], 0xFF);
  EXPECT_EQ(pad[1], 0xFF);
  EXPECT_EQ(pad[7], 0x10);
  EXPECT_EQ(Crc8(pad.data(), 8), pad[8]);
}

TEST(SimChips, Ds2438WritesConfigConvertsAndRecalls) {
  TestClock clock;
  SimBus bus;
  bus.Add(std::make_unique<Ds2438>(
      kBmRom, clock, [] { return 25.0; }, [] { return 4.56; }));
  auto page0 = [&] {
    Select(bus, kBmRom);
    bus.TouchByte(0xB8);
    bus.TouchByte(0x00);
    Select(bus, kBmRom);
    bus.TouchByte(0xBE);
    bus.TouchByte(0x00);
    return ReadBytes(bus, 9);
  };
  auto convert_v = [&] {
    Select(bus, kBmRom);
    bus.TouchByte(0xB4);
    clock.ticks += 6;
  };
  convert_v();
  std::vector<uint8_t> p = page0();
  EXPECT_EQ(p[0] & 0x0F, 0x0F) << "power-on configuration: the A/D reads VDD";
  EXPECT_EQ(p[3] + 256 * p[4], 500);
  Select(bus, kBmRom);
  for (uint8_t b : {0x4E, 0x00, 0x00}) bus.TouchByte(b);
  convert_v();
  Select(bus, kBmRom);
  bus.TouchByte(0x44);
  EXPECT_EQ(bus.TouchByte(0xFF), 0x00);
  clock.ticks += 12;
  p = page0();
  EXPECT_EQ(p[3] + 256 * p[4], 456);
  EXPECT_EQ(p[1], 0x00);
  EXPECT_EQ(p[2], 0x19);
  EXPECT_EQ(Crc8(p.data(), 8), p[8]);
}

TEST(SimChips, SearchFindsEveryChipAndVerifyNeedsTheWholeRom) {
  TestClock clock;
  SimBus bus;
  bus.Add(std::make_unique<Ds2423>(kCounterRom, clock, nullptr, nullptr));
  bus.Add(std::make_unique<Ds2450>(kAdcRom, clock, nullptr));
  bus.Add(std::make_unique<Ds18x20>(kB20Rom, clock, nullptr));
  bus.Add(std::make_unique<Ds18x20>(kS20Rom, clock, nullptr));
  auto& bm = bus.Add(std::make_unique<Ds2438>(kBmRom, clock, nullptr, nullptr));
  BusLink link(bus);
  std::vector<Rom> found;
  ASSERT_EQ(SearchBus(link, found), 5);
  for (const Rom& r : {kCounterRom, kAdcRom, kB20Rom, kS20Rom, kBmRom})
    EXPECT_NE(std::find(found.begin(), found.end(), r), found.end());
  for (const Rom& r : found) EXPECT_EQ(VerifyRom(link, r), 1);
  Rom missing = kB20Rom;
  missing[6] = 0x40;  // differs only in a late bit
  EXPECT_EQ(VerifyRom(link, missing), 0);
  bm.faults().absent = true;
  EXPECT_EQ(VerifyRom(link, kBmRom), 0);
  EXPECT_EQ(SearchBus(link, found), 4);
  bus.SetShort(true);
  EXPECT_EQ(VerifyRom(link, kCounterRom), -kResetShort);
  EXPECT_EQ(bus.Reset(), kResetShort);
}

TEST(SimChips, FaultListsParse) {
  std::vector<std::string> problems;
  const FaultSet f =
      ParseFaults("p=absent,K=BadCRC; u=stuck\nl=poweron q=reset,bus=short,x=1,zz", &problems);
  EXPECT_TRUE(f.by_line.at('p').absent);
  EXPECT_TRUE(f.by_line.at('k').bad_crc);
  EXPECT_TRUE(f.by_line.at('u').stuck);
  EXPECT_TRUE(f.by_line.at('l').power_on);
  EXPECT_TRUE(f.by_line.at('q').counter_reset);
  EXPECT_TRUE(f.bus_short);
  EXPECT_EQ(problems.size(), 2u);
}

TEST(SimChips, WeatherIsDeterministicAndBelievable) {
  const WeatherModel a(7), b(7), c(8);
  const double start = 41144.0;
  bool differs = false;
  double lo = 1e9, hi = -1e9;
  for (int i = 0; i < 24 * 20; ++i) {
    const double day = start + i / 24.0;
    EXPECT_EQ(a.TemperatureC(0, day), b.TemperatureC(0, day));
    differs = differs || a.TemperatureC(0, day) != c.TemperatureC(0, day);
    lo = std::min(lo, a.TemperatureC(0, day));
    hi = std::max(hi, a.TemperatureC(0, day));
    EXPECT_GE(a.PressureVolts(day), 0.0);
    EXPECT_LE(a.PressureVolts(day), 9.99);
    EXPECT_LE(a.HumidityVolts(day), 9.99);
    EXPECT_GE(a.VaneSector(day), 0);
    EXPECT_LT(a.VaneSector(day), 16);
  }
  EXPECT_TRUE(differs);
  EXPECT_GT(hi - lo, 4.0) << "a daily swing";
  EXPECT_LT(hi, 45.0);
  EXPECT_GT(lo, -30.0);
  PulseCounter wind(a, PulseSource::Wind, 100), again(a, PulseSource::Wind, 100);
  const uint32_t w1 = wind.CountAt(start + 0.1), w2 = wind.CountAt(start + 0.2);
  EXPECT_GT(w2, w1);
  EXPECT_EQ(again.CountAt(start + 0.1), w1);
  EXPECT_EQ(wind.CountAt(start + 0.15), w2) << "never goes back";
  // Rain falls on some days of a month, not on all.
  PulseCounter rain(a, PulseSource::Rain, 0);
  int wet_days = 0;
  uint32_t prev = rain.CountAt(start);
  for (int d = 1; d <= 30; ++d) {
    const uint32_t now = rain.CountAt(start + d);
    wet_days += now > prev;
    prev = now;
  }
  EXPECT_GT(wet_days, 2);
  EXPECT_LT(wet_days, 29);
}

TEST(SimChips, VanePatternsGiveTheirLevels) {
  EXPECT_STREQ(VanePattern(0, 0), "2000");
  EXPECT_STREQ(VanePattern(2, 7), "1111");
  EXPECT_STREQ(VanePattern(5, 1), "2200") << "tables e-g have none: table a's";
  TestClock clock;
  Ds2450 probe(kAdcRom, clock, nullptr);
  // With 8 bits on the 5.12 V range, the levels fall in the program's bands.
  for (int ch = 0; ch < 4; ++ch) {
    probe.memory()[0x08 + 2 * ch] = 0x08;
    probe.memory()[0x09 + 2 * ch] = 0x01;
  }
  EXPECT_LT(probe.ResultFor(0, VaneLevelVolts('0')), 300);
  EXPECT_GE(probe.ResultFor(0, VaneLevelVolts('1')), 300);
  EXPECT_LT(probe.ResultFor(0, VaneLevelVolts('1')), 5500);
  EXPECT_GE(probe.ResultFor(0, VaneLevelVolts('2')), 5500);
}

}  // namespace
}  // namespace wm033::onewire::sim
