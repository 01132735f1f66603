#include "platform/display_choice.h"

namespace wm033 {

DisplayChoice ChooseDisplay(bool headless_forced,
                            const std::function<std::optional<std::string>(const char*)>& get) {
  DisplayChoice c;
  const bool x11 = get("DISPLAY").has_value();
  const bool wayland = get("WAYLAND_DISPLAY").has_value();
  if (headless_forced || (!x11 && !wayland)) {
    // Headless runs still draw with Qt's painter, on its offscreen platform.
    c.headless = true;
    c.qpa = "offscreen";
    return c;
  }
  if (get("QT_QPA_PLATFORM")) return c;  // the owner's choice stands
  const std::optional<std::string> session = get("XDG_SESSION_TYPE");
  const bool wayland_session = wayland || (session && *session == "wayland");
  if (wayland_session && x11) c.qpa = "xcb";
  return c;
}

bool WindowPlacementAvailable(const std::string& qt_platform_name) {
  return qt_platform_name.rfind("wayland", 0) != 0;
}

}  // namespace wm033
