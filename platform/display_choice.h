// Which display a run with windows uses. On a Wayland desktop a program cannot place its own
// windows, so the restack schemes and the design places would do nothing: where XWayland is
// there (DISPLAY is set) the program runs on it, unless the owner chose a Qt platform himself
// (QT_QPA_PLATFORM). Where it is not, the program runs on Wayland and says once that window
// placement is not available.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace wm033 {

struct DisplayChoice {
  bool headless = false;           // no display at all, or WM033_HEADLESS=1
  std::optional<std::string> qpa;  // the Qt platform to ask for (unset: Qt's own choice)
};

// `get` reads an environment variable (nullopt when unset or empty).
DisplayChoice ChooseDisplay(bool headless_forced,
                            const std::function<std::optional<std::string>(const char*)>& get);

// False for a Qt platform on which a program cannot place its windows (Wayland).
bool WindowPlacementAvailable(const std::string& qt_platform_name);

constexpr const char* kNoPlacementNote =
    "Window placement is not available on this Wayland desktop (XWayland was not found): the "
    "windows stay where the desktop puts them, and the restack schemes and the window places of "
    "the settings file do nothing. Start the program where XWayland is available (DISPLAY set), "
    "or on an X11 desktop, to have them.";

}  // namespace wm033
