// The temperature routines: datasheet vectors through the conversion rule, the CRC8, the exact
// calls of each mode, the strong-access rule and the wait's wrap guard.
#include <gtest/gtest.h>

#include "onewire/crc.h"
#include "onewire/rom.h"
#include "onewire/temperature_math.h"
#include "tests/onewire_script.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

ScriptedTmex& Install(TWM033f1& f, std::vector<Call> script) {
  auto t = std::make_unique<ScriptedTmex>(std::move(script));
  ScriptedTmex& ref = *t;
  f.UseTmex(std::move(t));
  return ref;
}

TEST(OnewireTemperature, ConvertRawTruncatesTowardZero) {
  struct V {
    uint8_t family;
    uint16_t raw;
    float degrees;
  };
  const V vectors[] = {
      {0x28, 0x07D0, 125}, {0x28, 0x0550, 85},  {0x28, 0x0191, 25}, {0x28, 0xFF5E, -10},
      {0x28, 0xFC90, -55}, {0x10, 0x00AA, 85},  {0x10, 0x0032, 25}, {0x10, 0x0033, 25},
      {0x10, 0xFFFF, 0},   {0x10, 0xFFCE, -25}, {0x26, 0x1910, 25}, {0x26, 0xF6F0, -9},
  };
  Station st;
  TWM033f1& f = st.Create();
  for (const V& v : vectors) {
    uint16_t code = 7;
    const float t = f.ConvertRawTture(v.family, v.raw & 0xFF, v.raw >> 8, code);
    EXPECT_EQ(t, v.degrees) << std::hex << v.raw;
    EXPECT_EQ(code, 0);
    EXPECT_EQ(f.smiDallErr, static_cast<int16_t>(v.raw));
  }
  uint16_t code = 0;
  EXPECT_EQ(f.ConvertRawTture(0x22, 1, 2, code), 0.0f);
  EXPECT_EQ(code, 1910);
  EXPECT_EQ(f.smiDallErr, 0);
}

TEST(OnewireTemperature, Crc8AndCrc16Vectors) {
  // A ROM code whose CRC8 is A2, and the DS18B20's power-on scratchpad ending in its CRC 1C.
  const onewire::Rom rom = {0x02, 0x1C, 0xB8, 0x01, 0x00, 0x00, 0x00, 0xA2};
  EXPECT_TRUE(onewire::RomCrcOk(rom));
  const uint8_t pad[9] = {0x50, 0x05, 0x4B, 0x46, 0x7F, 0xFF, 0x0C, 0x10, 0x1C};
  EXPECT_TRUE(onewire::ScratchpadCrcOk(pad));
  uint8_t bad[9];
  std::copy(pad, pad + 9, bad);
  bad[3] ^= 0x01;
  EXPECT_FALSE(onewire::ScratchpadCrcOk(bad));
  const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
  EXPECT_EQ(onewire::Crc16(digits, 9), 0xBB3D);
  EXPECT_EQ(onewire::ParseChipId("F30000001A2B3C28"),
            (onewire::Rom{0x28, 0x3C, 0x2B, 0x1A, 0x00, 0x00, 0x00, 0xF3}));
  EXPECT_EQ(onewire::FormatChipId({0x28, 0x3C, 0x2B, 0x1A, 0x00, 0x00, 0x00, 0xF3}),
            "F30000001A2B3C28");
  EXPECT_FALSE(onewire::ParseChipId("F30000001A2B3C2"));
  EXPECT_FALSE(onewire::ParseChipId("F30000001A2B3C2G"));
}

std::vector<Call> Mode(std::vector<Call> body) {
  return Opening(false) + body + std::vector<Call>{{"end", 1}};
}

std::vector<Call> ScratchpadReads(const uint8_t pad[9]) {
  std::vector<Call> s;
  for (int i = 0; i < 9; ++i) s.push_back(Read(pad[i]));
  return s;
}

TEST(OnewireTemperature, ModeZeroConvertsUnderStrongPullUp) {
  Station st;
  TWM033f1& f = st.Create();
  ScriptedTmex& t = Install(f, Mode({Echo(0x44), {"level 1 0", 1}, {"level 0 0", 0}}));
  uint16_t code = 9, wCS = 0;
  uint8_t r0 = 0, r1 = 0, r2 = 0, r3 = 0;
  int16_t dall = 0;
  f.bMicroLanInUse = 6;
  const uint32_t before = st.platform.tick;
  f.BNW25Apr12FirstTturesEtc(1, 0, code, r0, r1, r2, r3, wCS, dall);
  EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(r0, 255);
  EXPECT_EQ(r1, 127);
  EXPECT_EQ(wCS, 1012);
  EXPECT_EQ(dall, 0) << "the last call's result";
  EXPECT_GE(st.platform.tick - before, 1100u);
  EXPECT_LT(st.platform.tick - before, 1110u);
  EXPECT_EQ(f.bMicroLanInUse, 0);
}

TEST(OnewireTemperature, ModeOneReadsScratchpadAndChecksCrc) {
  const uint8_t pad[9] = {0x50, 0x05, 0x4B, 0x46, 0x7F, 0xFF, 0x0C, 0x10, 0x1C};
  {
    Station st;
    TWM033f1& f = st.Create();
    ScriptedTmex& t = Install(f, Mode(std::vector<Call>{Echo(0xBE)} + ScratchpadReads(pad)));
    uint16_t code = 9, wCS = 0;
    uint8_t r0 = 0, r1 = 0, r2 = 0, r3 = 0;
    int16_t dall = 0;
    f.BNW25Apr12FirstTturesEtc(1, 1, code, r0, r1, r2, r3, wCS, dall);
    EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
    EXPECT_EQ(code, 0);
    EXPECT_EQ(r0, 0x50);
    EXPECT_EQ(r1, 0x05);
    EXPECT_EQ(dall, 0x1C);
  }
  {
    uint8_t bad[9];
    std::copy(pad, pad + 9, bad);
    bad[8] = 0x1D;
    Station st;
    TWM033f1& f = st.Create();
    Install(f, Mode(std::vector<Call>{Echo(0xBE)} + ScratchpadReads(bad)));
    uint16_t code = 0, wCS = 0;
    uint8_t r0 = 0, r1 = 0, r2 = 0, r3 = 0;
    int16_t dall = 0;
    f.BNW25Apr12FirstTturesEtc(3, 1, code, r0, r1, r2, r3, wCS, dall);
    EXPECT_EQ(code, 1574);
    EXPECT_EQ(r0, 0) << "results untouched after a CRC failure";
    ASSERT_FALSE(st.platform.error_lines.empty());
    EXPECT_NE(st.platform.error_lines.back().find("Read tture failed. bWhichChip=3 wQZRErr=1574"),
              std::string::npos);
  }
}

TEST(OnewireTemperature, ModeSteps) {
  const uint8_t pad[9] = {0x00, 0x10, 0x19, 0xC8, 0x01, 0, 0, 0, 0};
  uint8_t good[9];
  std::copy(pad, pad + 9, good);
  good[8] = onewire::Crc8(good, 8);
  struct Case {
    uint8_t mode;
    std::vector<Call> body;
    size_t fail_at;  // index into the whole script; 0 = no failure
    int reply;
    uint16_t code;
  };
  const std::vector<Call> m2 = {Echo(0x4E), Echo(0x00), Echo(0x00)};
  const std::vector<Call> m5 = {Echo(0xB8), Echo(0x00)};
  const std::vector<Call> m6 = std::vector<Call>{Echo(0xBE), Echo(0x00)} + ScratchpadReads(good);
  const std::vector<Case> cases = {
      {2, m2, 0, 0, 0},
      {2, m2, 4, 255, 1800},
      {2, m2, 4, -1, 1802},
      {2, m2, 5, 255, 1810},
      {2, m2, 6, -1, 1822},
      {3, {Echo(0x44)}, 4, 255, 1840},
      {3, {Echo(0x44)}, 4, -2, 1842},
      {4, {Echo(0xB4)}, 4, -2, 1852},
      {5, m5, 0, 0, 0},
      {5, m5, 5, 255, 1864},
      {5, m5, 5, -1, 1866},
      {6, m6, 0, 0, 0},
      {6, m6, 4, -1, 1872},
      {6, m6, 5, 255, 1874},
      {6, m6, 6, -1, 1880},
      {6, m6, 14, -1, 1888},
      {0, {Echo(0x44)}, 4, 255, 1542},
      {0, {Echo(0x44), {"level 1 0", 1}}, 5, -1, 1546},
      {1, {Echo(0xBE)}, 4, -1, 1552},
      {1, std::vector<Call>{Echo(0xBE)} + ScratchpadReads(good), 9, -4, 1564},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " step " + std::to_string(c.fail_at));
    const std::vector<Call> happy = Mode(c.body);
    Station st;
    TWM033f1& f = st.Create();
    ScriptedTmex& t = Install(f, c.fail_at ? FailAt(happy, c.fail_at, c.reply) : happy);
    uint16_t code = 0, wCS = 0;
    uint8_t r0 = 0, r1 = 0, r2 = 0, r3 = 0;
    int16_t dall = 0;
    f.BNW25Apr12FirstTturesEtc(8, c.mode, code, r0, r1, r2, r3, wCS, dall);
    EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
    EXPECT_EQ(code, c.code);
    if (c.fail_at) {
      EXPECT_EQ(dall, c.reply);
    }
    if (c.mode == 6 && c.code == 0) {
      EXPECT_EQ(r0, 0x10);
      EXPECT_EQ(r1, 0x19);
      EXPECT_EQ(r2, 0xC8);
      EXPECT_EQ(r3, 0x01);
    }
  }
}

TEST(OnewireTemperature, SessionStepsAndStrongAccessRule) {
  struct Case {
    size_t step;
    int reply;
    uint16_t code;
    int16_t dall;
  };
  const std::vector<Call> happy = Mode({Echo(0x4E), Echo(0x00), Echo(0x00)});
  const std::vector<Case> cases = {{0, 0, 1510, 0},        {0, -7, 1510, -7}, {1, 0, 1520, 0},
                                   {2, 3, 1530, 3},        {3, 0, 3199, 0},   {3, -5, 3205, 5},
                                   {3, -4000, 6200, 3000}, {7, 0, 1600, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("step " + std::to_string(c.step));
    std::vector<Call> script = FailAt(happy, c.step, c.reply);
    if (c.step == happy.size() - 1) script.pop_back();
    Station st;
    TWM033f1& f = st.Create();
    ScriptedTmex& t = Install(f, script);
    uint16_t code = 0, wCS = 0;
    uint8_t r0, r1, r2, r3;
    int16_t dall = 0;
    f.BNW25Apr12FirstTturesEtc(2, 2, code, r0, r1, r2, r3, wCS, dall);
    EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(dall, c.dall);
  }
  // Any positive strong access passes.
  Station st;
  TWM033f1& f = st.Create();
  std::vector<Call> s = happy;
  s[3].reply = 5;
  ScriptedTmex& t = Install(f, s);
  uint16_t code = 0, wCS = 0;
  uint8_t r0, r1, r2, r3;
  int16_t dall = 0;
  f.BNW25Apr12FirstTturesEtc(2, 2, code, r0, r1, r2, r3, wCS, dall);
  EXPECT_TRUE(t.Done()) << t.Dump();
  EXPECT_EQ(code, 0);
}

TEST(OnewireTemperature, InvalidModeStillEndsTheSession) {
  Station st;
  TWM033f1& f = st.Create();
  ScriptedTmex& t = Install(f, Mode({}));
  uint16_t code = 0, wCS = 0;
  uint8_t r0, r1, r2, r3;
  int16_t dall = 0;
  f.bMicroLanInUse = 6;
  f.BNW25Apr12FirstTturesEtc(1, 7, code, r0, r1, r2, r3, wCS, dall);
  EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
  EXPECT_EQ(code, 1576);
  ASSERT_EQ(st.platform.messages.size(), 1u);
  EXPECT_EQ(st.platform.messages[0], "Invalid bWhichFuntion specified in call of BNW25Apr12");
  EXPECT_EQ(f.bMicroLanInUse, 0);
}

TEST(OnewireTemperature, Read2438RunsFiveTransactions) {
  // Page 0: config 00, temperature 0x1910 (25 degrees), voltage 0x01C8 (4.56 V).
  uint8_t pad[9] = {0x00, 0x10, 0x19, 0xC8, 0x01, 0x00, 0x00, 0x00, 0};
  pad[8] = onewire::Crc8(pad, 8);
  const std::vector<Call> script =
      Mode({Echo(0x4E), Echo(0x00), Echo(0x00)}) + Mode({Echo(0x44)}) + Mode({Echo(0xB4)}) +
      Mode({Echo(0xB8), Echo(0x00)}) +
      Mode(std::vector<Call>{Echo(0xBE), Echo(0x00)} + ScratchpadReads(pad));
  Station st;
  TWM033f1& f = st.Create();
  ScriptedTmex& t = Install(f, script);
  float volts = 0, tture = 0;
  uint16_t code = 9;
  int16_t dall = 0;
  f.Read2438(8, volts, tture, code, dall);
  EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
  EXPECT_EQ(code, 0);
  EXPECT_FLOAT_EQ(volts, 4.56f);
  EXPECT_EQ(tture, 25.0f);

  // A failure stops the sequence; the TMEX value still reaches liDallErr.
  Station st2;
  TWM033f1& f2 = st2.Create();
  std::vector<Call> failing = Mode({Echo(0x4E), Echo(0x00), Echo(0x00)});
  failing = failing + FailAt(Mode({Echo(0x44)}), 4, -6);
  ScriptedTmex& t2 = Install(f2, failing);
  f2.liDallErr = 1234;
  f2.Read2438(8, volts, tture, code, dall);
  EXPECT_TRUE(t2.Done() && t2.mismatches.empty()) << t2.Dump();
  EXPECT_EQ(code, 1842);
  EXPECT_EQ(volts, 0.0f);
  EXPECT_EQ(f2.liDallErr, -6);
}

TEST(OnewireTemperature, BusInUseRefusesWithoutTouchingTheBus) {
  Station st;
  TWM033f1& f = st.Create();
  f.sChipId[1] = "9C00000533A11110";
  ScriptedTmex& t = Install(f, {});
  f.bMicroLanInUse = 10;
  EXPECT_EQ(f.ReadTtureChannel(1), 255.0f);
  EXPECT_TRUE(t.actual.empty());
  ASSERT_EQ(st.platform.messages.size(), 1u);
  EXPECT_EQ(st.platform.messages[0],
            "ML was in use when TakeABNWTture tried (instance 6) to use it.");
  EXPECT_EQ(f.bMicroLanInUse, 10);
}

TEST(OnewireTemperature, UnknownFamilyIsReported) {
  Station st;
  TWM033f1& f = st.Create();
  f.sChipId[2] = "6700000533A5151D";
  EXPECT_GE(f.ReadTtureChannel(2), 250.0f);
  ASSERT_FALSE(st.platform.error_lines.empty());
  EXPECT_NE(st.platform.error_lines.back().find(
                "Err 7May12A2: Bad chip fam spec'd or 1900 inside SR Chip Fam was:1D"),
            std::string::npos);
}

TEST(OnewireTemperature, WaitNearTheWrapFirstWaitsForIt) {
  Station st;
  TWM033f1& f = st.Create();
  st.platform.tick = 0xFFFFFFFFu - 5000 + 1;  // 5 s before the wrap
  f.WaitMs(1100);
  EXPECT_GE(st.platform.tick, 1100u);
  EXPECT_LT(st.platform.tick, 1110u);
  EXPECT_LT(st.platform.wait_calls, 10) << "blocking waits, not a spin";
  // Far from the wrap: just the time asked for, even a long one.
  st.platform.tick = 1000;
  f.WaitMs(60000);
  EXPECT_GE(st.platform.tick, 61000u);
  EXPECT_LT(st.platform.tick, 61010u);
}

TEST(OnewireTemperature, Button2ShowsTwentyFive) {
  Station st;
  TWM033f1& f = st.Create();
  f.Button2Click();
  ASSERT_EQ(st.platform.messages.size(), 1u);
  EXPECT_EQ(st.platform.messages[0], "25");
  EXPECT_EQ(f.laWatchForCrash.Caption(), "Finished doing floattstr");
  EXPECT_EQ(onewire::FloatText(4.56f), "4.56");
  EXPECT_EQ(onewire::FloatText(-10.0f), "-10");
}

}  // namespace
}  // namespace wm033::testing
