// The sensor configuration file: which files are accepted, which problems are reported in which
// order, and what the slots hold afterwards.
#include <gtest/gtest.h>

#include <random>

#include "config/sensor_config.h"

namespace wm033::config {
namespace {

using Kind = ConfigNote::Kind;

const char* const kTerminating =
    "Program will now terminate... it may take as long as it takes your system to scan the old "
    "data.";
const char* const kFatallyFaulty =
    "An ini file is needed. It must be called WM033ini.txt and be in the same folder as "
    "WM033.exe. It was present, but fatally faulty. (Check error messages).";

// A good file: lines a to w, chip lines as the demo station has them.
std::vector<std::string> GoodLines() {
  std::vector<std::string> l = {
      kSensorConfigId, "b", "c", "d", "e", "f", "g", "h 1  <- port", "i 5  <- adapter type", "j"};
  const char* chips[] = {
      "k e8300000533A01028   ", "l e9C00000533A11110   ", "m e6E00000533A21228   ",
      "n eEB00000533A31326   ", "o e4000000533A41428   ", "p e6700000533A5151D  a",
      "q e7000000533A6161D  a", "r e8A00000533A7171D  z", "s e6300000533A81826   ",
      "t e9900000533A91926   ", "u e0000000533AA1A20 ja", "v eD600000533AB1B1D  a",
      "w e0200000533AC1C1D  z"};
  for (const char* c : chips) l.push_back(c);
  return l;
}

std::string Join(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
  std::string out;
  for (const std::string& l : lines) out += l + end;
  return out;
}

SensorConfig Parse(const std::vector<std::string>& lines, uint8_t table = 0, uint8_t rot = 9) {
  return ParseSensorConfigText(Join(lines), table, rot);
}

std::vector<std::string> Messages(const SensorConfig& r) {
  std::vector<std::string> out;
  for (const ConfigNote& n : r.notes)
    if (n.kind == Kind::kMessage) out.push_back(n.text);
  return out;
}

std::vector<std::string> ErrorLines(const SensorConfig& r) {
  std::vector<std::string> out;
  for (const ConfigNote& n : r.notes)
    if (n.kind == Kind::kErrorLine) out.push_back(n.text);
  return out;
}

std::string Refusal(char letter) {
  return std::string(
             "The chip type, as defined by the last byte of the id specified, was not "
             "acceptable. This problem arose from line ") +
         letter +
         " of WM033ini.txt. The program will run, but this parameter will not be "
         "monitored.";
}

TEST(SensorConfig, GoodFileReadsWithEveryLineEnd) {
  for (std::string end : {"\r\n", "\n", "\r"}) {
    std::string text = Join(GoodLines(), end);
    for (bool final_end : {true, false}) {
      if (!final_end) text.erase(text.size() - end.size());
      const SensorConfig r = ParseSensorConfigText(text, 0, 9);
      SCOPED_TRACE(::testing::PrintToString(end) + (final_end ? "" : " no final end"));
      EXPECT_TRUE(r.valid);
      EXPECT_FALSE(r.terminate);
      EXPECT_TRUE(r.notes.empty());
      EXPECT_EQ(r.port_num, 1);
      EXPECT_EQ(r.port_type, 5);
      for (bool e : r.enabled) EXPECT_TRUE(e);
      EXPECT_EQ(r.chip_id[10], "0000000533AA1A20");
      EXPECT_EQ(r.counter_page[5], kCounterPageA);
      EXPECT_EQ(r.counter_page[7], kCounterPageB);
      EXPECT_EQ(r.counter_page[12], kCounterPageB);
      EXPECT_EQ(r.wind_rotation, 9);
      EXPECT_EQ(r.wind_table, 0);
    }
  }
}

TEST(SensorConfig, UpperCaseChipLinesAreAcceptedButTheCounterSelectorIsCaseSensitive) {
  std::vector<std::string> l = GoodLines();
  for (size_t i = 10; i < 23; ++i)
    for (char& c : l[i]) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  l[10 + 10] = "U E0000000533AA1A20 JC";
  const SensorConfig r = Parse(l);
  EXPECT_TRUE(r.valid);
  EXPECT_TRUE(r.notes.empty());
  EXPECT_EQ(r.chip_id[1], "9C00000533A11110");
  EXPECT_EQ(r.counter_page[7], kCounterPageA) << "\"Z\" selects the first counter";
  EXPECT_EQ(r.wind_rotation, 9);
  EXPECT_EQ(r.wind_table, 2);
}

TEST(SensorConfig, ChipLineLength) {
  std::vector<std::string> l = GoodLines();
  l[10] = "k e8300000533A01028 xy";  // 22 characters
  EXPECT_TRUE(Parse(l).valid);
  l[10] = "k e8300000533A01028 x";  // 21
  const SensorConfig r = Parse(l);
  EXPECT_FALSE(r.valid);
  EXPECT_TRUE(r.terminate);
  EXPECT_EQ(Messages(r),
            (std::vector<std::string>{"Line \"k\" is too short.", kFatallyFaulty, kTerminating}));
}

TEST(SensorConfig, EnableLetterThenLengthAreBothReportedForOneLine) {
  std::vector<std::string> l = GoodLines();
  l[11] = "l x9C";
  const SensorConfig r = Parse(l);
  const auto m = Messages(r);
  ASSERT_EQ(m.size(), 4u);
  EXPECT_NE(m[0].find("On line \"l\" it was something else."), std::string::npos);
  EXPECT_EQ(m[1], "Line \"l\" is too short.");
  EXPECT_EQ(m[2], kFatallyFaulty);
}

TEST(SensorConfig, DisabledLineNeedsAnIdentityButNoFamilyCheck) {
  std::vector<std::string> l = GoodLines();
  l[11] = "l d9C00000533A1111D   ";  // a counter chip on a temperature line, disabled
  SensorConfig r = Parse(l);
  EXPECT_TRUE(r.valid);
  EXPECT_TRUE(r.notes.empty());
  EXPECT_FALSE(r.enabled[1]);

  l[11] = "l d9C0000G533A11110   ";
  r = Parse(l);
  EXPECT_FALSE(r.valid);
  EXPECT_EQ(Messages(r)[0],
            "On line \"l\" there is an invalid character (G) in the chip ID. (Only 0-9, a-f, "
            "A-F allowed.)");
}

TEST(SensorConfig, AnUnprintableByteInTheIdentityIsNamedByItsValue) {
  std::vector<std::string> l = GoodLines();
  l[12] = std::string("m e6E00\0000533A21228   ", 22);
  const SensorConfig r = Parse(l);
  ASSERT_FALSE(Messages(r).empty());
  EXPECT_NE(Messages(r)[0].find("(byte 00 hex)"), std::string::npos);
}

TEST(SensorConfig, WrongFamiliesAreRefusedPerSlot) {
  struct Case {
    size_t line;
    std::string text;
    int slot;
  };
  const Case cases[] = {
      {11, "l e9C00000533A1111D   ", 1},   // counter on a temperature slot
      {15, "p e6700000533A51510  a", 5},   // temperature chip on the rain counter
      {18, "s e6300000533A81828   ", 8},   // DS18B20 on the pressure slot
      {20, "u e0000000533AA1A26 ja", 10},  // DS2438 on the wind-direction slot
      {22, "w e0200000533AC1C20  z", 12},  // ADC on an on/off counter slot
  };
  for (const Case& c : cases) {
    std::vector<std::string> l = GoodLines();
    l[c.line] = c.text;
    const SensorConfig r = Parse(l);
    SCOPED_TRACE(c.text);
    EXPECT_TRUE(r.valid);
    EXPECT_FALSE(r.terminate);
    EXPECT_EQ(ErrorLines(r), std::vector<std::string>{Refusal(c.text[0])});
    EXPECT_FALSE(r.enabled[static_cast<size_t>(c.slot)]);
    EXPECT_TRUE(Messages(r).empty());
  }
}

TEST(SensorConfig, SlotZeroIsAlwaysRead) {
  std::vector<std::string> l = GoodLines();
  l[10] = "k d8300000533A01028";
  EXPECT_TRUE(Parse(l).enabled[0]);
}

TEST(SensorConfig, WindLineLetters) {
  std::vector<std::string> l = GoodLines();
  l[20] = "u e0000000533AA1A20 qc";
  SensorConfig r = Parse(l, 4, 5);
  EXPECT_TRUE(r.valid);
  EXPECT_EQ(r.wind_table, 2);
  EXPECT_EQ(r.wind_rotation, 5) << "q keeps the previous rotation";
  ASSERT_EQ(Messages(r).size(), 1u);
  EXPECT_EQ(Messages(r)[0].rfind("Error in ini file. Second letter of line \"u\"", 0), 0u);

  l[20] = "u e0000000533AA1A20 Ph";
  r = Parse(l, 4, 5);
  EXPECT_EQ(r.wind_rotation, 15);
  EXPECT_EQ(r.wind_table, 4) << "h keeps the previous table";
  EXPECT_EQ(Messages(r)[0].rfind("Error in ini file. Third letter of line \"u\"", 0), 0u);

  l[20] = "u d0000000533AA1A20 qq";  // disabled: the letters are not read
  r = Parse(l, 4, 5);
  EXPECT_TRUE(r.notes.empty());
  EXPECT_EQ(r.wind_rotation, 5);
}

TEST(SensorConfig, UnusualAdapterTypesWarnButStart) {
  std::vector<std::string> l = GoodLines();
  l[8] = "i 1";
  SensorConfig r = Parse(l);
  EXPECT_TRUE(r.valid);
  ASSERT_EQ(Messages(r).size(), 1u);
  EXPECT_NE(Messages(r)[0].find("advise prgm author? Also: Are you using parasitic power"),
            std::string::npos);

  l[8] = "i 7";
  r = Parse(l);
  EXPECT_TRUE(r.valid);
  EXPECT_FALSE(r.terminate);
  ASSERT_EQ(Messages(r).size(), 1u);
  EXPECT_NE(Messages(r)[0].find("other than 1,5  or 6. This is\runexpected."), std::string::npos);
}

TEST(SensorConfig, ANonDigitPortOrTypeEndsTheReadingAtOnce) {
  std::vector<std::string> l = GoodLines();
  l[7] = "h x";
  l[12] = "X bad prefix";
  SensorConfig r = Parse(l);
  EXPECT_FALSE(r.valid);
  EXPECT_TRUE(r.terminate);
  EXPECT_FALSE(r.slots_filled);
  EXPECT_EQ(Messages(r), std::vector<std::string>{
                             "3rd char of line \"h\" sets the port the adapter is on. It doesn't "
                             "seem to be a digit. Application will terminate."});
  l[7] = "h";  // no third character at all
  EXPECT_EQ(Messages(Parse(l)).size(), 1u);

  l = GoodLines();
  l[8] = "i  ";
  r = Parse(l);
  EXPECT_TRUE(r.port_read);
  EXPECT_FALSE(r.type_read);
  EXPECT_EQ(Messages(r).size(), 1u);
  EXPECT_EQ(Messages(r)[0].rfind("3rd char of line \"i\"", 0), 0u);
}

TEST(SensorConfig, OnlyTheFirstWrongPrefixIsReported) {
  std::vector<std::string> l = GoodLines();
  l[12][1] = '_';
  l[14][0] = 'x';
  const SensorConfig r = Parse(l);
  EXPECT_EQ(Messages(r), (std::vector<std::string>{
                             "Edit your WM033ini.txt file. The line that should have started "
                             "with a \"m\" and a space didn't.",
                             kFatallyFaulty, kTerminating}));
}

TEST(SensorConfig, AWrongIdentificationLineSkipsTheChipChecks) {
  std::vector<std::string> l = GoodLines();
  l[0] = "WM033 sensor configuration file";
  l[12] = "m ?";
  const SensorConfig r = Parse(l);
  EXPECT_FALSE(r.valid);
  const auto m = Messages(r);
  ASSERT_EQ(m.size(), 3u);
  EXPECT_NE(m[0].find("\rIt must be exactly: WM033 sensor configuration file, format 23Aug12"),
            std::string::npos);
  EXPECT_EQ(m[1], kFatallyFaulty);
  EXPECT_TRUE(r.slots_filled);
}

TEST(SensorConfig, AShortFileIsFatallyFaulty) {
  for (size_t n : {0u, 1u, 10u, 22u}) {
    std::vector<std::string> l = GoodLines();
    l.resize(n);
    const SensorConfig r = Parse(l);
    SCOPED_TRACE(n);
    EXPECT_FALSE(r.valid);
    EXPECT_TRUE(r.terminate);
    const auto m = Messages(r);
    ASSERT_EQ(m.size(), 3u);
    EXPECT_NE(m[0].find(std::string("Line \"") + static_cast<char>('a' + n) + "\" is missing."),
              std::string::npos);
    EXPECT_EQ(m[1], kFatallyFaulty);
    EXPECT_EQ(m[2], kTerminating);
  }
}

TEST(SensorConfig, RomBytesAreTheIdentityReversed) {
  EXPECT_EQ(ChipRomFromId("F30000001A2B3C28"),
            (std::array<uint8_t, 8>{0x28, 0x3C, 0x2B, 0x1A, 0x00, 0x00, 0x00, 0xF3}));
  EXPECT_EQ(ChipRomFromId("f30000001a2b3c28")[7], 0xF3);
  EXPECT_EQ(ChipRomFromId("F3"), (std::array<uint8_t, 8>{0, 0, 0, 0, 0, 0, 0, 0xF3}));
}

TEST(SensorConfig, HostileBytesAlwaysGiveAVerdictWithItsReasons) {
  std::mt19937 rng(7);
  const std::string good = Join(GoodLines());
  for (int i = 0; i < 3000; ++i) {
    std::string text = good;
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % (text.size() + 1);
      switch (rng() % 3) {
        case 0:
          text.insert(at, 1, static_cast<char>(rng() % 256));
          break;
        case 1:
          if (at < text.size()) text.erase(at, 1 + rng() % 30);
          break;
        default:
          if (at < text.size()) text[at] = static_cast<char>(rng() % 256);
          break;
      }
    }
    const SensorConfig r = ParseSensorConfigText(text, 0, 9);
    if (!r.valid) {
      ASSERT_TRUE(r.terminate) << ::testing::PrintToString(text);
      ASSERT_FALSE(Messages(r).empty());
    }
  }
}

}  // namespace
}  // namespace wm033::config
