// Which display a run with windows asks Qt for: XWayland on a Wayland desktop where it is there,
// the owner's own QT_QPA_PLATFORM always, offscreen when headless.
#include <gtest/gtest.h>

#include <map>

#include "platform/display_choice.h"

namespace wm033 {
namespace {

DisplayChoice Choose(std::map<std::string, std::string> vars, bool forced = false) {
  return ChooseDisplay(forced, [&vars](const char* name) -> std::optional<std::string> {
    auto it = vars.find(name);
    if (it == vars.end() || it->second.empty()) return std::nullopt;
    return it->second;
  });
}

TEST(DisplayChoice, WaylandSessionsRunOnXWaylandWhereItIsThere) {
  EXPECT_EQ(Choose({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}).qpa, "xcb");
  EXPECT_EQ(Choose({{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}).qpa, "xcb");
  // Without XWayland: Qt's own choice (Wayland), and the note about placement.
  const DisplayChoice alone = Choose({{"WAYLAND_DISPLAY", "wayland-0"}});
  EXPECT_FALSE(alone.headless);
  EXPECT_FALSE(alone.qpa);
  // The owner's choice stands.
  EXPECT_FALSE(
      Choose({{"WAYLAND_DISPLAY", "w"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}}).qpa);
  // An X11 session is left alone.
  EXPECT_FALSE(Choose({{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}).qpa);
}

TEST(DisplayChoice, HeadlessWithoutADisplayOrWhenAskedFor) {
  EXPECT_TRUE(Choose({}).headless);
  EXPECT_EQ(Choose({}).qpa, "offscreen");
  EXPECT_TRUE(Choose({{"DISPLAY", ":0"}}, true).headless);
  EXPECT_TRUE(Choose({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}).headless);
}

TEST(DisplayChoice, PlacementIsMissingOnlyOnWayland) {
  EXPECT_FALSE(WindowPlacementAvailable("wayland"));
  EXPECT_FALSE(WindowPlacementAvailable("wayland-egl"));
  EXPECT_TRUE(WindowPlacementAvailable("xcb"));
  EXPECT_TRUE(WindowPlacementAvailable("offscreen"));
}

}  // namespace
}  // namespace wm033
