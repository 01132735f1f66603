// Entry of the tests through the real windows: one QApplication for every run of the program,
// on the display that tests/gui/run.sh provides, and, as the program does, without any
// command-line argument reaching Qt.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!std::getenv("DISPLAY")) {
    fprintf(stderr, "wm033_gui_tests: no DISPLAY; run it through tests/gui/run.sh\n");
    return 1;
  }
  static char name[] = "wm033_gui_tests";
  static char* qt_argv[] = {name, nullptr};
  int qt_argc = 1;
  QApplication app(qt_argc, qt_argv);
  QApplication::setQuitOnLastWindowClosed(false);
  return RUN_ALL_TESTS();
}
