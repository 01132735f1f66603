// Program entry. The program takes no command-line arguments; none reaches Qt either.
#include <cstdlib>
#include <exception>

#include "gui/program.h"
#include "platform/headless_platform.h"

namespace {

[[noreturn]] void OnTerminate() {
  wm033::WriteStderrLine("WM033: unexpected internal error; the program ends.");
  std::_Exit(wm033::kExitInternal);
}

}  // namespace

int main(int, char**) {
  std::set_terminate(OnTerminate);
  return wm033::gui::RunProgram("wm033");
}
