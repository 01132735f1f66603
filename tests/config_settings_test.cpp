// The settings file as the start-up defaults and ReadSettingsFile apply it to the main form.
#include <gtest/gtest.h>

#include "config/settings.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

constexpr const char* kIni2 = "WM033/WM033ini2.txt";
constexpr const char* kMarker = "abWM033ini2 test\r\n";

// A main form with its defaults set and the given settings file read.
struct Settings {
  explicit Settings(const std::string* content) {
    if (content) s.Write(kIni2, *content);
    f = &s.Create();
    f->SetDefaultSettings();
    ok = f->ReadSettingsFile();
  }
  explicit Settings(const std::string& content) : Settings(&content) {}
  Station s;
  TWM033f1* f = nullptr;
  bool ok = false;
  const std::vector<std::string>& Messages() const { return s.platform.messages; }
};

TEST(Settings, NoFileKeepsTheDefaults) {
  Settings t(nullptr);
  EXPECT_TRUE(t.ok);
  EXPECT_TRUE(t.Messages().empty());
  EXPECT_EQ(t.f->sPageFolder, "C:\\");
  EXPECT_EQ(t.f->sPageFile, "WM033BC.htm");
  EXPECT_EQ(t.f->sImageFile, "WM033BC.jpg");
  EXPECT_EQ(t.f->ExtraImage[3].alt, config::kDefaultAltText);
  EXPECT_EQ(t.f->clChannel[1], forms::RGB(255, 81, 0));
  EXPECT_EQ(t.f->wLineScale[11], 10);
  EXPECT_EQ(t.f->wLineOffset[12], 50);
  EXPECT_EQ(t.f->iWinGeom[1][2][1], 400);
  EXPECT_EQ(t.f->iWindDial.Picture().GetPixel(30, 30), forms::RGB(0, 128, 128));
  EXPECT_EQ(t.f->iWindDial.Picture().GetPixel(0, 0), forms::kButtonFace);
}

TEST(Settings, PageFolderFilesAndIntervals) {
  struct Case {
    std::string bcp, folder;
  };
  for (const Case& c : {Case{"D:\\web", "D:\\web\\"}, Case{"D:\\web\\", "D:\\web\\"},
                        Case{"", "C:\\"}, Case{"   ", "C:\\"}}) {
    Settings t(kMarker + std::string("[sbc]\r\nbcp=") + c.bcp + "\r\n");
    EXPECT_EQ(t.f->sPageFolder, c.folder) << c.bcp;
    EXPECT_EQ(t.f->ExtraImage[2].alt,
              std::string(config::kDefaultAltText) + config::kAltTextSuffix);
  }
  struct Interval {
    const char* hsi;
    int32_t secs;
    float days;
  };
  for (const Interval& c : {Interval{"4", 4, 0.0f}, Interval{"5", 5, 5 / 86400.0f},
                            Interval{"600", 600, 600 / 86400.0f}, Interval{"6x", 0, 0.0f}}) {
    Settings t(kMarker + std::string("[SBC]\r\nHSI=") + c.hsi + "\r\n[enis]\r\niri=" + c.hsi);
    EXPECT_EQ(t.f->iPageIntervalSecs, c.secs) << c.hsi;
    EXPECT_FLOAT_EQ(t.f->rsPageInterval, c.days) << c.hsi;
    EXPECT_FLOAT_EQ(t.f->rsImageInterval, c.days) << c.hsi;
  }
}

TEST(Settings, ColourSpecs) {
  const forms::Colour kDefault = forms::RGB(255, 160, 0);
  struct Case {
    const char* value;
    forms::Colour colour;
    const char* message;  // start of the one message expected, or none
  };
  const Case cases[] = {
      {"00FF00", forms::RGB(0, 255, 0), nullptr},
      {"S0000FF", forms::RGB(255, 0, 0), nullptr},
      {"s00ff00", forms::RGB(0, 255, 0), nullptr},
      {"FF", forms::RGB(0, 0, 255), nullptr},
      {"FF800012", forms::RGB(255, 128, 0), nullptr},  // characters after the sixth ignored
      {"-", kDefault, nullptr},
      {"GG0000", kDefault, "Only 0-9, A-F allowed in color spec lines."},
      {"S12345", kDefault, "Only 0-9, A-F allowed"},  // 6 long: padded, S is no hex digit
      {"FFFFFF", forms::RGB(255, 255, 255),
       "Are you sure you want to set channel 3's color to white? (See \"p3=\" line in ini2, "
       "[ChannelColors] section. $FFFFFF = white)"},
  };
  for (const Case& c : cases) {
    Settings t(kMarker + std::string("[ChannelColors]\r\np3c=") + c.value + "\r\n");
    SCOPED_TRACE(c.value);
    EXPECT_EQ(t.f->clChannel[3], c.colour);
    if (c.message) {
      ASSERT_EQ(t.Messages().size(), 1u);
      EXPECT_EQ(t.Messages()[0].rfind(c.message, 0), 0u);
    } else {
      EXPECT_TRUE(t.Messages().empty());
    }
  }
}

TEST(Settings, OffsetsAndMultipliers) {
  Settings t(std::string(kMarker) +
             "[lineoffsetscale]\r\nP1A=190\r\np10a=77\r\np10m=77\r\np2m=70000\r\np12a=-1\r\n");
  EXPECT_EQ(t.f->wLineOffset[1], 190);
  EXPECT_EQ(t.f->wLineOffset[10], 0);
  EXPECT_EQ(t.f->wLineScale[10], kSquashFactor);
  EXPECT_EQ(t.f->wLineScale[2], 70000 - 65536) << "the low 16 bits";
  EXPECT_EQ(t.f->wLineOffset[12], 65535);
  EXPECT_TRUE(t.Messages().empty());

  Settings zero(std::string(kMarker) + "[LineOffsetScale]\r\np0m=0\r\np12m=0\r\n");
  EXPECT_EQ(zero.Messages(), std::vector<std::string>{"Do not set the graph multiplier to zero"});
  EXPECT_EQ(zero.f->wLineScale[0], 0);
  Settings rain(std::string(kMarker) + "[LineOffsetScale]\r\np5m=0\r\n");
  EXPECT_TRUE(rain.Messages().empty());
}

TEST(Settings, TheLastWindowKeyDecides) {
  Settings refused(std::string(kMarker) + "[WindowPosnsAndSizes]\r\nSchemeAW1=1,2,799\r\n");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.Messages(),
            std::vector<std::string>{
                "Problem with a WindowsPosnAndSize line. contact author, error 15 Nov 2009a1"});
  EXPECT_EQ(refused.f->iWinGeom[0][0][0], 1);
  EXPECT_EQ(refused.f->iWinGeom[0][0][2], 799);
  EXPECT_EQ(refused.f->iWinGeom[0][0][3], 370) << "a number that is not there changes nothing";
  EXPECT_FALSE(refused.s.platform.terminated) << "start-up decides on the closing notice";

  Settings rescued(std::string(kMarker) +
                   "[WindowPosnsAndSizes]\r\nSchemeAW1=0,0,799\r\nschemebw3= 10, 400,580,310\r\n");
  EXPECT_TRUE(rescued.ok);
  EXPECT_EQ(rescued.Messages().size(), 1u);
  EXPECT_EQ(rescued.f->iWinGeom[1][2][0], 10);

  Settings junk(std::string(kMarker) +
                "[WindowPosnsAndSizes]\r\nSchemeBW2=a,b,c,d,e\r\n"
                "SchemeAW3=9,9,9,9\r\n");
  EXPECT_FALSE(junk.ok) << "9,9,9,9 is no window key and leaves the verdict";
  EXPECT_EQ(junk.Messages().back().substr(junk.Messages().back().size() - 2), "b2");
  EXPECT_EQ(junk.f->iWinGeom[1][1][0], 10);
}

TEST(Settings, SwitchesStylesTitleAndLabels) {
  Settings t(std::string(kMarker) +
             "[BarGraphs]\r\np6bg=oN\r\np7bg=yes\r\n[VariousOne]\r\np11v1=258\r\n"
             "[HTMLTitle]\r\nPrefix=  My station  \r\n[FieldLabels]\r\np0fL=Out \r\n"
             "p8fl=Baro\r\n");
  EXPECT_TRUE(t.f->boBarGraph[6]);
  EXPECT_FALSE(t.f->boBarGraph[7]);
  EXPECT_EQ(t.f->bPlotStyle[11], 2);
  EXPECT_EQ(t.f->sTitlePrefix, "My station");
  EXPECT_EQ(t.f->sFieldLabel[0], "Out");
  EXPECT_EQ(t.s.control.laTxtTture0.Caption(), "Out(F)");
  EXPECT_EQ(t.s.control.laTxtBP.Caption(), "Baro");
  EXPECT_EQ(t.s.control.laTxtHum.Caption(), "HM");
}

TEST(Settings, OperatorMessagesAndTheirPersistence) {
  struct Case {
    const char* lines;
    double expiry1;  // days after now; -1: unchanged (0 here)
    size_t error_lines;
  };
  const Case cases[] = {
      {"Msg=Hello\r\nPersists=1.5\r\n", 1.5, 0},
      {"Msg=Hello\r\nPersists=x\r\n", -1, 1},
      {"Msg=Hello\r\nPersists=-2\r\n", -1, 0},
      {"Persists=x\r\n", -1, 0},  // without Msg, Persists is not read
  };
  for (const Case& c : cases) {
    Settings t(std::string(kMarker) + "[HTMLMsg]\r\n" + c.lines);
    SCOPED_TRACE(c.lines);
    if (c.expiry1 < 0)
      EXPECT_EQ(t.f->dtMsgExpiry1, 0);
    else
      EXPECT_DOUBLE_EQ(t.f->dtMsgExpiry1, t.s.platform.now + c.expiry1);
    ASSERT_EQ(t.s.platform.error_lines.size(), c.error_lines);
    if (c.error_lines) {
      EXPECT_NE(t.s.platform.error_lines[0].find(
                    "Try again. HTMLMsg/Persists (in ini2) must be a number."),
                std::string::npos);
    }
  }
  Settings second(std::string(kMarker) + "[HTMLMsg]\r\nMsg2=Later\r\nPersists2=0.5\r\n");
  EXPECT_EQ(second.f->sMsgText2, "Later");
  EXPECT_DOUBLE_EQ(second.f->dtMsgExpiry2, second.s.platform.now + 0.5);
  EXPECT_EQ(second.f->sMsgText1, "");
}

TEST(Settings, FirstLineRule) {
  Settings good{std::string(kMarker)};
  EXPECT_TRUE(good.ok);

  Settings spaced("ab WM033ini2\r\n[sbc]\r\nbch=still.htm\r\n");
  EXPECT_FALSE(spaced.ok);
  EXPECT_TRUE(spaced.f->bQuitting);
  EXPECT_EQ(spaced.s.platform.exit_status, kExitFatalConfig);
  ASSERT_EQ(spaced.Messages().size(), 2u);
  EXPECT_EQ(spaced.Messages()[0], "Secondary ini file (WM033ini2.txt) must begin 'abWM033ini2'");
  EXPECT_EQ(spaced.f->sPageFile, "still.htm") << "keys are applied before the rule";

  Settings old("aa old format\r\n");
  ASSERT_EQ(old.Messages().size(), 3u);
  EXPECT_EQ(old.Messages()[1].rfind("In November 2009", 0), 0u);

  Settings empty("");
  EXPECT_FALSE(empty.ok);
  Settings cr_only("abWM033ini2\r[sbc]\rbch=cr.htm");
  EXPECT_TRUE(cr_only.ok);
  EXPECT_EQ(cr_only.f->sPageFile, "cr.htm");
}

// A settings file as an owner may leave it: a header without its "]", the same section twice,
// a key repeated, a key line without "=", quoted values, comments and tabs.
TEST(Settings, OddLinesReadAsOnTheOriginalPlatform) {
  Settings t(kMarker + std::string("[sbc]\r\n"
                                   "\tbch\t=\t\"index.htm\"\r\n"
                                   "bch=second.htm\r\n"
                                   "hsi\r\n"
                                   "hsi=600\r\n"
                                   "[enis\r\n"
                                   "bci=graph.jpg\r\n"
                                   "[HTMLTitle] the page's title\r\n"
                                   "Prefix='  Hilltop  '\r\n"
                                   "[ChannelColors]\r\n"
                                   ";p0c=00FF00\r\n"
                                   "[SBC]\r\n"
                                   "bcp=D:\\web\r\n"));
  EXPECT_TRUE(t.ok);
  EXPECT_EQ(t.f->sPageFile, "index.htm") << "the first line of a key, its quotes stripped";
  EXPECT_EQ(t.f->iPageIntervalSecs, 0) << "a key line without \"=\" hides the later one";
  EXPECT_EQ(t.f->sImageFile, "WM033BC.jpg") << "no section without its \"]\"";
  EXPECT_EQ(t.f->sPageFolder, "C:\\") << "a repeated section is not read";
  EXPECT_EQ(t.f->sTitlePrefix, "Hilltop") << "quoted blanks go with the prefix's own trim";
  EXPECT_EQ(t.f->clChannel[0], forms::RGB(255, 0, 0)) << "a comment sets nothing";
}

TEST(Settings, SecondsToDayFraction) {
  Station s;
  TWM033f1& f = s.Create();
  EXPECT_EQ(f.siSecToDT(-100), 0.0f);
  EXPECT_EQ(f.siSecToDT(4), 0.0f);
  EXPECT_FLOAT_EQ(f.siSecToDT(86400), 1.0f);
  EXPECT_EQ(f.sExceptionTag, "Inside siSecToDT");
}

}  // namespace
}  // namespace wm033::testing
