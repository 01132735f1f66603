// The program as a whole: the single-instance guard, the windows in their order (numeric
// display, error window, main window, whose creation runs the start-up sequence), then the
// event loop until the end is requested. The program takes no command-line arguments: none
// reaches Qt either.
#pragma once

#include <functional>

#include "platform/environment.h"
#include "platform/single_instance.h"

namespace wm033 {
class TWM033f1;
}

namespace wm033::gui {

// Observers of a run, for tests: after start-up, and when the event loop has ended (before the
// logs that are still open are closed, as the end of the process would close them).
struct RunHooks {
  std::function<void(TWM033f1&)> started;
  std::function<void(TWM033f1&)> ended;
};

// What main() does; returns the exit status.
int RunProgram(const char* program_name);

// Runs the station in the current folder with an application object that already exists (a
// QApplication for windows, a QGuiApplication headless) and an instance lock already taken.
// Returns the exit status. Tests drive the real windows through this.
int RunStation(const Environment& env, SingleInstance& instance, bool headless,
               const RunHooks& hooks = {});

}  // namespace wm033::gui
