// Restacking the three windows, and the help, About and settings-file texts.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace wm033::testing
