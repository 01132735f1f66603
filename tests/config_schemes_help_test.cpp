// Restacking the three windows, and the help, About and settings-file texts.
#include <gtest/gtest.h>

#include <sstream>

#include "config/help_texts.h"
#include "config/settings.h"
#include "tests/station_fixture.h"

namespace wm033::testing {
namespace {

void ExpectPlace(const forms::Form& f, forms::Geometry g) {
  EXPECT_EQ(f.Bounds().left, g.left) << f.Name();
  EXPECT_EQ(f.Bounds().top, g.top) << f.Name();
  EXPECT_EQ(f.Bounds().width, g.width) << f.Name();
  EXPECT_EQ(f.Bounds().height, g.height) << f.Name();
}

TEST(Schemes, SchemeBRestoresPlacesAndFocuses) {
  Station s;
  TWM033f1& f = s.Create();
  f.SetDefaultSettings();
  s.control.SetState(forms::WindowState::Minimized);
  s.errdisp.SetState(forms::WindowState::Maximized);
  const int focus = f.buInsCmnt.FocusRequests();
  f.SchemeB1.Click();
  EXPECT_EQ(s.control.State(), forms::WindowState::Normal);
  EXPECT_EQ(s.errdisp.State(), forms::WindowState::Normal);
  ExpectPlace(f, {10, 0, 580, 300});
  ExpectPlace(s.errdisp, {10, 300, 580, 100});
  ExpectPlace(s.control, {10, 400, 580, 310});
  EXPECT_EQ(f.buInsCmnt.FocusRequests(), focus + 1);
  EXPECT_GT(s.control.FocusRequests(), 0);
}

TEST(Schemes, ASettingsLineMovesTheMainWindowAtStartUpAndOnSchemeA) {
  Station s;
  s.CopyDemo();
  s.Write("WM033/WM033ini2.txt",
          "abWM033ini2\r\n[WindowPosnsAndSizes]\r\nSchemeAW1=0,0,799,370\r\n");
  TWM033f1& f = s.Start();
  ExpectPlace(f, {0, 0, 799, 370});
  ExpectPlace(s.errdisp, {0, 342, 696, 120});
  ExpectPlace(s.control, {0, 249, 696, 420});
  f.SchemeB1.Click();
  f.SchemeA1.Click();
  ExpectPlace(f, {0, 0, 799, 370});
  ExpectPlace(s.control, {0, 249, 696, 420});
}

TEST(Help, MissingHelpFileShowsTheFourLinesNearTheMainWindow) {
  Station s;
  TWM033f1& f = s.Create();
  f.SetBounds({100, 50, 738, 443});
  f.buHelp.Click();
  f.Help1.Click();
  ASSERT_EQ(s.platform.messages.size(), 2u);
  EXPECT_EQ(s.platform.messages[0], s.platform.messages[1]);
  EXPECT_EQ(s.platform.messages[0],
            "The program was supplied with a help file. That seems\r"
            "to be missing from your machine. Reinstall, if you want the help. If you\r"
            "don't have the install file, go to the author's website for a new copy.\r"
            "You can learn the location of the website via the copyright button");
  EXPECT_EQ(s.platform.message_places[1], std::make_pair(110, 110));
  EXPECT_TRUE(s.platform.help_opened.empty());

  s.Write("WM033.hlp", "help");
  f.buHelp.Click();
  EXPECT_EQ(s.platform.help_opened, std::vector<std::string>{s.Path("WM033.hlp")});
  EXPECT_EQ(s.platform.messages.size(), 2u);
}

TEST(Help, AboutAndTheSettingsTexts) {
  Station s;
  TWM033f1& f = s.Create();
  f.SetBounds({20, 30, 738, 443});
  f.buCopyright.Click();
  f.About1.Click();
  ASSERT_EQ(s.platform.messages.size(), 2u);
  EXPECT_EQ(s.platform.messages[0], s.platform.messages[1]);
  EXPECT_NE(s.platform.messages[0].find("\rIncorporates:\r\r"), std::string::npos);
  EXPECT_EQ(s.platform.message_places[0], std::make_pair(30, 90));
  f.Overview1.Click();
  f.Legacy1.Click();
  f.Modern1.Click();
  ASSERT_EQ(s.platform.messages.size(), 5u);
  EXPECT_NE(s.platform.messages[2].find("C:/WM033/WM033ini2.txt"), std::string::npos);
  EXPECT_NE(s.platform.messages[3].find("[wp1spa]"), std::string::npos);
  EXPECT_NE(s.platform.messages[4].find("[LineOffsetScale]"), std::string::npos);
}

// Values as the built-in defaults leave them (multipliers not zero).
config::SettingsValues Defaults() {
  config::SettingsValues v;
  v.line_scale.fill(10000);
  v.line_scale[11] = v.line_scale[12] = 10;
  return v;
}

std::vector<std::string> HelpLines(const std::string& text) {
  std::vector<std::string> out;
  std::stringstream in(text);
  for (std::string line; std::getline(in, line, '\r');) out.push_back(line);
  return out;
}

// The lines of a help text that stand as they would in the file: section headings and key=value
// lines, not indented (descriptions are).
std::string CopyableLines(const std::string& text) {
  std::string file = std::string(config::kSettingsMarker) + "\r\n";
  for (const std::string& l : HelpLines(text)) {
    if (l.empty() || l[0] == ' ') continue;
    if ((l[0] == '[' && l.back() == ']') || l.find('=') != std::string::npos) file += l + "\r\n";
  }
  return file;
}

TEST(Help, ModernTextCoversEverySectionWithLinesThatWorkWhenCopied) {
  const std::string text = config::SettingsModernText();
  const auto lines = HelpLines(text);
  for (const char* section :
       {"[sbc]", "[enis]", "[SecondImage]", "[ThirdImage]", "[FourthImage]", "[ChannelColors]",
        "[FieldLabels]", "[LineOffsetScale]", "[WindowPosnsAndSizes]", "[BarGraphs]",
        "[VariousOne]", "[HTMLTitle]", "[HTMLMsg]"}) {
    EXPECT_NE(std::find(lines.begin(), lines.end(), section), lines.end()) << section;
  }
  // Pasted into a file, the example lines are read without a complaint, and each one counts.
  config::SettingsValues v = Defaults();
  const config::SettingsResult r = config::ApplySettingsText(CopyableLines(text), 40000.0, v);
  EXPECT_TRUE(r.ok);
  EXPECT_FALSE(r.terminate);
  for (const auto& n : r.notes) ADD_FAILURE() << n.text;
  EXPECT_EQ(v.page_folder, "C:\\web\\");
  EXPECT_EQ(v.page_interval_secs, 600);
  EXPECT_EQ(v.image_interval_secs, 900);
  EXPECT_EQ(v.images[2].name, "roof.jpg");
  EXPECT_EQ(v.colour[0], forms::RGB(255, 128, 0));
  EXPECT_EQ(v.field_label[0], "Outside");
  EXPECT_EQ(v.other_caption[0], "Rain");
  EXPECT_EQ(v.line_offset[1], 190);
  EXPECT_EQ(v.line_scale[1], 400);
  EXPECT_EQ(v.win_geom[0][0][2], 799);
  EXPECT_EQ(v.win_geom[1][2][1], 400);
  EXPECT_TRUE(v.bar_graph[6]);
  EXPECT_EQ(v.plot_style[11], 1);
  EXPECT_EQ(v.title_prefix, "Garden station");
  EXPECT_EQ(v.msg_text2, "The rain gauge is being cleaned");
  EXPECT_DOUBLE_EQ(v.msg_expiry1, 40000.5);
}

TEST(Help, OverviewSaysTheFileMustBeginWithItsMarker) {
  const std::string text = config::SettingsOverviewText();
  const auto lines = HelpLines(text);
  EXPECT_NE(std::find(lines.begin(), lines.end(), config::kSettingsMarker), lines.end());
  // Its example is a file that works as it stands.
  config::SettingsValues v = Defaults();
  const config::SettingsResult r = config::ApplySettingsText(CopyableLines(text), 40000.0, v);
  EXPECT_TRUE(r.ok && r.notes.empty());
  EXPECT_EQ(v.colour[1], forms::RGB(0, 255, 0));
}

}  // namespace
}  // namespace wm033::testing
