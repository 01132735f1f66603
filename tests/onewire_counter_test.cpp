// DMLGetCount and the ADC routines against a scripted TMEX: the exact calls of the happy path,
// and each step failing in turn.
#include <gtest/gtest.h>

#include <stdexcept>

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

std::vector<Call> CounterHappy(int address_low, std::array<int, 4> counter) {
  std::vector<Call> s =
      Opening(true) + std::vector<Call>{Echo(0xA5), Echo(address_low), Echo(0x01)};
  for (int i = 0; i < 32; ++i) s.push_back(Read(0x5A));
  for (int b : counter) s.push_back(Read(b));
  s.push_back({"end", 1});
  return s;
}

TEST(OnewireCounter, ReadsPageCounterAndKeepsLow23Bits) {
  Station st;
  TWM033f1& f = st.Create();
  f.bChipRom[5] = {0x1D, 0xA5, 0x15, 0x53, 0x05, 0x00, 0x00, 0x67};
  // Bit 23 and above set: 0x01963412 comes back as 0x163412.
  ScriptedTmex& t = Install(f, CounterHappy(0xC0, {0x12, 0x34, 0x96, 0x01}));
  uint32_t count = 99;
  uint16_t code = 99;
  int32_t dall = 4321;
  f.DMLGetCount(5, 14, count, code, dall);
  EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(count, 0x163412u);
  EXPECT_EQ(dall, 4321) << "left as it was when no step fails";
  for (int i = 0; i < 8; ++i) EXPECT_EQ(t.last_rom[i], f.bChipRom[5][i]);
  EXPECT_EQ(f.sExceptionTag, "Err 23aug12 DMLGetCount inner try");
}

TEST(OnewireCounter, AnyPageButFourteenReadsPageFifteen) {
  for (uint8_t page : {15, 0, 200}) {
    Station st;
    TWM033f1& f = st.Create();
    ScriptedTmex& t = Install(f, CounterHappy(0xE0, {1, 0, 0, 0}));
    uint32_t count;
    uint16_t code;
    int32_t dall = 0;
    f.DMLGetCount(6, page, count, code, dall);
    EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
    EXPECT_EQ(count, 1u);
  }
}

TEST(OnewireCounter, EachStepFailingGivesItsCodeAndEndsTheSession) {
  const std::vector<Call> happy = CounterHappy(0xC0, {0x07, 0x02, 0x03, 0x04});
  struct Case {
    size_t step;
    int reply;
    uint16_t code;
    int32_t dall;
    uint32_t count;
  };
  const std::vector<Case> cases = {
      {0, 0, 14, 0, 0},           {0, -5, 14, -5, 0},    {1, 0, 24, 0, 0},
      {2, 0, 35, 0, 0},           {3, 0, 37, 0, 0},      {4, 0, 44, 0, 0},
      {4, -3, 44, -3, 0},         {5, -1, 54, -1, 0},    {5, 255, 55, 255, 0},
      {6, -2, 64, -2, 0},         {6, 255, 65, 255, 0},  {7, -4, 74, -4, 0},
      {7, 255, 75, 255, 0},       {8, -1, 1652, 777, 0}, {39, -9, 1652, 777, 0},
      {40, -6, 104, -6, 0},       {41, -6, 114, -6, 7},  {42, -7, 124, -7, 0x207},
      {43, -8, 124, -8, 0x30207},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("step " + std::to_string(c.step) + " reply " + std::to_string(c.reply));
    Station st;
    TWM033f1& f = st.Create();
    ScriptedTmex& t = Install(f, FailAt(happy, c.step, c.reply));
    uint32_t count = 5;
    uint16_t code = 0;
    int32_t dall = 777;
    f.DMLGetCount(5, 14, count, code, dall);
    EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
    EXPECT_EQ(code, c.code);
    EXPECT_EQ(dall, c.dall);
    EXPECT_EQ(count, c.count);
    ASSERT_FALSE(st.platform.error_lines.empty());
    EXPECT_NE(
        st.platform.error_lines.back().find("Problem with DMLGetCount- " + std::to_string(c.code) +
                                            " and Dallas error " + std::to_string(c.dall)),
        std::string::npos)
        << st.platform.error_lines.back();
  }
}

// A TMEX whose calls throw from a chosen one on.
class ThrowingTmex : public ScriptedTmex {
 public:
  ThrowingTmex(std::vector<Call> s, std::string when) : ScriptedTmex(std::move(s)), when_(when) {}
  int16_t TMRom(int32_t h, uint8_t* st, uint16_t* rom) override {
    if (when_ == "rom") {
      ScriptedTmex::TMRom(h, st, rom);
      throw std::runtime_error("rom trouble");
    }
    return ScriptedTmex::TMRom(h, st, rom);
  }
  int16_t TMTouchByte(int32_t h, int16_t b) override {
    if (when_ == "byte") {
      actual.push_back("byte (threw)");
      throw std::runtime_error("boom");
    }
    return ScriptedTmex::TMTouchByte(h, b);
  }
  std::string when_;
};

TEST(OnewireCounter, ExceptionsInsideTmRomAreDroppedOthersTrapped) {
  {
    Station st;
    TWM033f1& f = st.Create();
    auto t = std::make_unique<ThrowingTmex>(CounterHappy(0xC0, {9, 0, 0, 0}), "rom");
    ThrowingTmex& ref = *t;
    f.UseTmex(std::move(t));
    uint32_t count;
    uint16_t code;
    int32_t dall = 0;
    f.DMLGetCount(5, 14, count, code, dall);
    EXPECT_EQ(code, 0) << ref.Dump();
    EXPECT_EQ(count, 9u);
    EXPECT_TRUE(st.platform.messages.empty());
  }
  {
    Station st;
    TWM033f1& f = st.Create();
    auto t = std::make_unique<ThrowingTmex>(
        Opening(true) + std::vector<Call>{{"byte (threw)", 0}, {"end", 1}}, "byte");
    ThrowingTmex& ref = *t;
    f.UseTmex(std::move(t));
    uint32_t count;
    uint16_t code;
    int32_t dall = 0;
    f.DMLGetCount(5, 14, count, code, dall);
    ASSERT_EQ(st.platform.messages.size(), 1u);
    EXPECT_EQ(st.platform.messages[0], "Err 23aug12 DMLGetCount inner try (boom)");
    EXPECT_EQ(ref.actual.back(), "end") << "the session is ended after a trap";
  }
}

// ---- DS2450 ---------------------------------------------------------------------------------

std::vector<Call> InitHappy() {
  std::vector<Call> s = Opening(true) + std::vector<Call>{Echo(0x55), Echo(0x08), Echo(0x00)};
  for (int i = 0; i < 8; ++i) {
    s.push_back(Echo(i % 2 ? 0x01 : 0x08));
    s.push_back(Read(0x12));
    s.push_back(Read(0x34));
    s.push_back(Read(i % 2 ? 0x01 : 0x08));
  }
  s = s + std::vector<Call>{{"reset", 1}, {"valid", 1}, {"access", 1}, Echo(0x55),
                            Echo(0x1C),   Echo(0x00),   Echo(0x40),    Read(1),
                            Read(2),      Read(0x40),   {"reset", 2},  {"end", 1}};
  return s;
}

TEST(OnewireAdc, InitWritesControlPageAndVccByte) {
  Station st;
  TWM033f1& f = st.Create();
  ScriptedTmex& t = Install(f, InitHappy());
  uint16_t code = 1;
  int32_t dall = 0;
  f.DML2450Init(10, code, dall);
  EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(f.bWindAdcReady);
}

TEST(OnewireAdc, InitStepFailuresInTurn) {
  const std::vector<Call> happy = InitHappy();
  const std::vector<uint16_t> codes = {
      48,  49,   43,   41,   51,   61,   71,   81,   91,   101,  106,  111,  121,
      131, 136,  140,  150,  155,  161,  165,  170,  175,  180,  185,  190,  195,
      200, 205,  210,  215,  220,  225,  230,  235,  240,  245,  248,  250,  252,
      254, 1010, 1014, 1020, 1022, 1024, 1026, 1028, 1030, 1032, 1034, 1036, 1038};
  ASSERT_EQ(codes.size(), happy.size());
  for (size_t i = 0; i < happy.size(); ++i) {
    SCOPED_TRACE("step " + std::to_string(i));
    const std::string& w = happy[i].what;
    // Bytes fail when negative; resets when not 1 or 2; the session calls when not 1.
    const int reply = w.rfind("byte", 0) == 0 || w == "start" ? -3 : w == "reset" ? 3 : 0;
    std::vector<Call> script = FailAt(happy, i, reply);
    if (w == "end") script.pop_back();  // a failed end is not followed by another
    Station st;
    TWM033f1& f = st.Create();
    ScriptedTmex& t = Install(f, script);
    uint16_t code = 0;
    int32_t dall = 0;
    f.DML2450Init(10, code, dall);
    EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
    EXPECT_EQ(code, codes[i]);
    EXPECT_EQ(dall, reply);
    EXPECT_FALSE(f.bWindAdcReady);
    ASSERT_FALSE(st.platform.error_lines.empty());
    EXPECT_NE(
        st.platform.error_lines.back().find("Problem with DML2450Init " + std::to_string(codes[i])),
        std::string::npos);
  }
}

std::vector<Call> GetHappy(std::vector<Call> polls, std::array<int, 8> results) {
  std::vector<Call> s =
      Opening(true) + std::vector<Call>{Echo(0x3C),   Echo(0x0F),      Echo(0x00),
                                        Read(0x9A),   Read(0xBC),      {"level 1 2", 1},
                                        {"valid", 1}, {"level 0 0", 0}};
  s = s + polls;
  s = s + std::vector<Call>{{"reset", 1}, {"access", 1}, Echo(0xAA), Echo(0x00), Echo(0x00)};
  for (int r : results) s.push_back(Read(r));
  return s + std::vector<Call>{Read(0x11), Read(0x22), {"reset", 1}, {"end", 1}};
}

TEST(OnewireAdc, GetConvertsWaitsPollsAndReadsFourChannels) {
  Station st;
  TWM033f1& f = st.Create();
  f.bWindAdcReady = true;
  // A at the top of its range, a negative read counting as 0 in C's low byte.
  ScriptedTmex& t = Install(
      f, GetHappy({Read(0), Read(0), Read(255)}, {0x00, 0xFF, 0x00, 0x0C, -1, 0x01, 0x00, 0x00}));
  const uint32_t before = st.platform.tick;
  uint16_t a, b, c, d, code = 9;
  int32_t dall = 5;
  f.DMLGet2540ADC(10, a, b, c, d, code, dall);
  EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
  EXPECT_EQ(code, 0);
  EXPECT_EQ(a, 65280);
  EXPECT_EQ(b, 3072);
  EXPECT_EQ(c, 256);
  EXPECT_EQ(d, 0);
  EXPECT_GE(st.platform.tick - before, 55u);
  EXPECT_LT(st.platform.tick - before, 80u) << "the wait blocks instead of spinning";
}

TEST(OnewireAdc, NeverEndingConversionFailsAfter1001Reads) {
  Station st;
  TWM033f1& f = st.Create();
  f.bWindAdcReady = true;
  std::vector<Call> script = GetHappy({}, {});
  script.resize(13);  // up to the normal level
  for (int i = 0; i < 1001; ++i) script.push_back(Read(i % 2 ? 0x00 : -1));
  script.push_back({"end", 1});
  ScriptedTmex& t = Install(f, script);
  uint16_t a, b, c, d, code;
  int32_t dall;
  f.DMLGet2540ADC(10, a, b, c, d, code, dall);
  EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.mismatches.size();
  EXPECT_EQ(code, 1220);
  EXPECT_EQ(a, 999);
  EXPECT_EQ(d, 999);
}

TEST(OnewireAdc, GetBeforeInitTurnsTheSlotOff) {
  Station st;
  TWM033f1& f = st.Create();
  f.bChipEnabled[10] = true;
  ScriptedTmex& t = Install(f, {});
  uint16_t a, b, c, d, code;
  int32_t dall;
  f.DMLGet2540ADC(10, a, b, c, d, code, dall);
  EXPECT_TRUE(t.actual.empty());
  EXPECT_EQ(code, 1110);
  EXPECT_EQ(a, 999);
  EXPECT_FALSE(f.bChipEnabled[10]);
  ASSERT_EQ(st.platform.error_lines.size(), 1u);
  EXPECT_NE(st.platform.error_lines[0].find(
                "DMLInit2450ADC must be done before DMLGet2540ADC can be called"),
            std::string::npos);
  ASSERT_EQ(st.platform.messages.size(), 1u);
  EXPECT_EQ(st.platform.messages[0],
            "DMLInit2450ADC failed to execute properly\rTo prevent further error messages, the "
            "sensor specified in\rline u of your WM033ini.txt file\rhas been turned off. THIS "
            "ERROR MAY HAVE ARISEN\rDUE TO WRONG NUMBERS IN YOUR INIT FILE IN LINES H OR I: "
            "THE\rPORT AND ADAPTER TYPE SPECS.");
}

TEST(OnewireAdc, GetStepFailuresKeep999) {
  const std::vector<Call> happy = GetHappy({Read(255)}, {1, 2, 3, 4, 5, 6, 7, 8});
  // step index, reply, code
  const std::vector<std::tuple<size_t, int, uint16_t>> cases = {
      {0, 0, 1112},   {1, 0, 1120},   {2, 0, 1130},   {3, 0, 1132},   {4, -1, 1140},
      {5, -1, 1150},  {6, -1, 1160},  {8, -1, 1190},  {9, -1, 1200},  {10, -1, 1280},
      {11, 0, 1282},  {12, -1, 1210}, {14, 0, 1240},  {15, 0, 1250},  {16, -1, 1260},
      {17, -1, 1270}, {18, -1, 1286}, {27, -1, 1291}, {28, -1, 1293}, {29, -1, 1295},
  };
  for (const auto& [step, reply, want] : cases) {
    SCOPED_TRACE("step " + std::to_string(step));
    Station st;
    TWM033f1& f = st.Create();
    f.bWindAdcReady = true;
    ScriptedTmex& t = Install(f, FailAt(happy, step, reply));
    uint16_t a, b, c, d, code;
    int32_t dall;
    f.DMLGet2540ADC(10, a, b, c, d, code, dall);
    EXPECT_TRUE(t.Done() && t.mismatches.empty()) << t.Dump();
    EXPECT_EQ(code, want);
    EXPECT_EQ(dall, reply);
    EXPECT_EQ(a, 999);
    EXPECT_EQ(b, 999);
  }
}

}  // namespace
}  // namespace wm033::testing
