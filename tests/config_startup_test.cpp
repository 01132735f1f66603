// The configuration files during the whole start-up sequence.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

constexpr const char* kTerminating =
    "Program will now terminate... it may take as long as it takes your system to scan the old "
    "data.";

// The demo station with one line of WM033ini.txt replaced (0 = line a).
void ReplaceConfigLine(Station& s, size_t index, const std::string& text) {
  std::vector<std::string> lines = s.Lines("WM033ini.txt");
  lines.at(index) = text;
  std::string out;
  for (const std::string& l : lines) out += l + "\r\n";
  s.Write("WM033ini.txt", out);
}

TEST(ConfigStartup, DemoStationStartsWithItsChipsAndSettings) {
  Station s;
  s.CopyDemo();
  TWM033f1& f = s.Start();
  EXPECT_FALSE(f.bQuitting);
  for (const std::string& m : s.platform.messages) EXPECT_EQ(m.find("ini"), std::string::npos) << m;
  EXPECT_EQ(f.siPortNum, 1);
  EXPECT_EQ(f.siPortType, 5);
  EXPECT_EQ(f.bChipRom[0], (std::array<uint8_t, 8>{0x28, 0x10, 0xA0, 0x33, 0x05, 0, 0, 0x83}));
  EXPECT_EQ(f.bCounterPage[7], 15);
  EXPECT_EQ(f.bCounterPage[6], 14);
  EXPECT_EQ(f.sPageFolder, "C:\\web\\");
  EXPECT_EQ(f.iPageIntervalSecs, 60);
  EXPECT_EQ(f.iImageIntervalSecs, 300);
  EXPECT_EQ(f.sTitlePrefix, "Demo station");
}

TEST(ConfigStartup, MissingConfigurationFile) {
  Station s;
  TWM033f1& f = s.Create();
  EXPECT_FALSE(f.ReadSensorConfig());
  EXPECT_EQ(s.platform.messages,
            (std::vector<std::string>{"An ini file is needed. It must be called WM033ini.txt and "
                                      "be in the same folder as WM033.exe.",
                                      kTerminating}));
  EXPECT_TRUE(f.bQuitting);
  EXPECT_EQ(s.platform.exit_status, kExitFatalConfig);
}

TEST(ConfigStartup, AFatalFaultLetsStartUpFinishThenEnds) {
  Station s;
  s.CopyDemo();
  ReplaceConfigLine(s, 7, "h ?");
  TWM033f1& f = s.Start();
  EXPECT_TRUE(f.bStartupComplete);
  EXPECT_TRUE(f.bQuitting);
  EXPECT_EQ(s.platform.exit_status, kExitFatalConfig);
  ASSERT_FALSE(s.platform.messages.empty());
  EXPECT_EQ(s.platform.messages[0].rfind("3rd char of line \"h\"", 0), 0u);
}

TEST(ConfigStartup, ARefusedChipIsAnErrorLineAboveTheHeaderLines) {
  Station s;
  s.CopyDemo();
  ReplaceConfigLine(s, 15, "p e6700000533A51510  a  rain counter");
  TWM033f1& f = s.Start();
  EXPECT_FALSE(f.bQuitting);
  EXPECT_FALSE(f.bChipEnabled[5]);
  const std::vector<std::string>& lines = s.errdisp.Memo1.Lines();
  const auto refusal = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.find("This problem arose from line p of WM033ini.txt.") != std::string::npos;
  });
  const auto header = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("Errors since program last restarted", 0) == 0;
  });
  ASSERT_NE(refusal, lines.end()) << ::testing::PrintToString(lines);
  EXPECT_LT(refusal, header);
}

TEST(ConfigStartup, AFaultySettingsFileStillRunsStartUpToItsEnd) {
  Station s;
  s.CopyDemo();
  s.Write("WM033/WM033ini2.txt", "ab WM033ini2\r\n[sbc]\r\nhsi=60\r\n");
  TWM033f1& f = s.Start();
  EXPECT_TRUE(f.bStartupComplete);
  EXPECT_TRUE(f.bQuitting);
  EXPECT_EQ(s.platform.exit_status, kExitFatalConfig);
  // The must-begin message, our notice, then start-up's closing notice.
  ASSERT_GE(s.platform.messages.size(), 3u);
  EXPECT_EQ(s.platform.messages[0], "Secondary ini file (WM033ini2.txt) must begin 'abWM033ini2'");
  EXPECT_EQ(s.platform.messages[2].rfind("The settings file", 0), 0u);
  EXPECT_EQ(f.siPortNum, 1) << "the sensor configuration is still read";
}

}  // namespace
}  // namespace wm033::testing
