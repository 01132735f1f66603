// Real windows for the forms: one Qt widget per form and per component, mirroring every change
// of the models and turning clicks, menu commands, close and state changes back into the
// forms' handlers.
#pragma once

#include <memory>

#include "app/forms.h"
#include "platform/event_loop_platform.h"

namespace wm033 {
class TWM033f1;
}

namespace wm033::gui {

class Views {
 public:
  virtual ~Views() = default;
  // Builds the main window's view; it is shown once start-up has run.
  virtual void AddMainWindow(TWM033f1& form) = 0;
  // Shows the main window, and a file-name warning window when start-up created one.
  virtual void AfterStartup() = 0;
};

// Builds and shows the numeric display and the error window at once.
std::unique_ptr<Views> MakeViews(TWM033fControl& control, TWM033ErrDisp& errdisp);

// The platform with Qt's real dialogs.
std::unique_ptr<EventLoopPlatform> MakeQtPlatform(const Environment& env);

}  // namespace wm033::gui
