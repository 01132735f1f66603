// Every way the program ends, through its real windows: the exit status, the start-up boxes
// still shown in their order, no cycle after the end request, both logs closed by Quit, and
// nothing written to the logs after the request.
#include <signal.h>
#include <unistd.h>

#include <QPushButton>
#include <QtTest/QTest>

#include "tests/gui/gui_station.h"

namespace wm033::guitest {
namespace {

bool StartsWith(const std::string& s, const std::string& p) {
  return s.compare(0, p.size(), p) == 0;
}

// The main window is up and the first cycles may run.
std::function<bool()> Running(GuiStation& s) {
  return [&s] {
    QMainWindow* main = Window("WM033f1");
    return s.form && s.form->bCycleReady && main && main->isVisible();
  };
}

bool NoBoxSaid(const Driver& d, const std::string& text) {
  for (const std::string& b : d.boxes)
    if (b.find(text) != std::string::npos) return false;
  return true;
}

TEST(EndPaths, FatalSettingsFaultShowsTheQueuedBoxesInOrderAndEndsWithoutACycle) {
  GuiStation s;
  s.WithoutDataLog();
  s.Write("WM033/WM033ini2.txt", "ab WM033ini2 (an old first line)\r\n[sbc]\r\nhsi=60\r\n");
  Driver d;
  auto ok = [](QDialog& box) { Driver::Press(box, QMessageBox::Ok); };
  d.OnBox("must begin 'abWM033ini2'", ok);
  d.OnBox("", ok);  // the settings reader's final notice
  d.OnBox("will close once start-up has finished", ok);
  d.OnBox("Unable to find old data log", ok);
  EXPECT_EQ(s.Run(d), 1);
  ASSERT_EQ(d.boxes.size(), 4u);
  EXPECT_NE(d.boxes[3].find("Unable to find old data log"), std::string::npos);
  EXPECT_TRUE(NoBoxSaid(d, "Died at point"));
  // Start-up ran to its end (its records are there) and no cycle wrote anything after it.
  const auto log = s.Lines("WM33DtLg.txt");
  ASSERT_GE(log.size(), 4u);
  EXPECT_TRUE(StartsWith(log[log.size() - 2], "ss")) << log[log.size() - 2];
  EXPECT_TRUE(StartsWith(log.back(), "wo")) << log.back();
}

TEST(EndPaths, SigtermDuringAStartUpBoxClosesItAndEndsWithTheLogsClosed) {
  GuiStation s;
  s.WithoutDataLog();
  Driver d;
  std::chrono::steady_clock::time_point signalled;
  d.OnBox("Unable to find old data log", [&](QDialog&) {
    signalled = std::chrono::steady_clock::now();
    ::kill(::getpid(), SIGTERM);
  });
  EXPECT_EQ(s.Run(d), 0);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - signalled).count();
  EXPECT_LT(seconds, 5.0);
  // No box after the signal: start-up finished on its own and Quit closed both logs.
  EXPECT_EQ(d.boxes.size(), 1u);
  EXPECT_FALSE(s.error_log_open_at_end);
  EXPECT_FALSE(s.data_log_open_at_end);
  const auto log = s.Lines("WM33DtLg.txt");
  ASSERT_EQ(log.size(), 4u);  // the two header lines, "ss" and "wo": no cycle ran
  EXPECT_TRUE(StartsWith(log[3], "wo"));
  EXPECT_EQ(s.Read("WM33ErLg.txt").find("Unable to write"), std::string::npos);
}

TEST(EndPaths, SigintDuringTheCommentBoxCancelsItAndEnds) {
  GuiStation s;
  Driver d;
  d.Step("the program running", Running(s),
         [] { QTest::mouseClick(Widget<QPushButton>("WM033f1", "buInsCmnt"), Qt::LeftButton); });
  d.OnBox("What you enter will be prefixed", [](QDialog&) { ::kill(::getpid(), SIGINT); });
  EXPECT_EQ(s.Run(d), 0);
  EXPECT_LT(s.seconds, 60.0);
  EXPECT_FALSE(s.error_log_open_at_end);
  EXPECT_FALSE(s.data_log_open_at_end);
  // A cancelled comment box writes its empty comment, as a click on Cancel does; then nothing.
  const auto log = s.Lines("WM33DtLg.txt");
  ASSERT_FALSE(log.empty());
  EXPECT_TRUE(StartsWith(log.back(), "cm")) << log.back();
  EXPECT_NE(log.back().find(" By hand: "), std::string::npos);
}

// Quit by its button and by its menu entry: both logs closed, nothing written after the click.
void QuitBy(const std::function<void()>& click) {
  GuiStation s;
  Driver d;
  std::string log_at_click, errors_at_click;
  d.Step(
      "the program running, Quit enabled",
      [&] {
        QPushButton* quit = Widget<QPushButton>("WM033f1", "buQuit");
        return Running(s)() && quit && quit->isEnabled();
      },
      [&] {
        click();
        log_at_click = s.Read("WM33DtLg.txt");
        errors_at_click = s.Read("WM33ErLg.txt");
      });
  EXPECT_EQ(s.Run(d), 0);
  EXPECT_FALSE(s.error_log_open_at_end);
  EXPECT_FALSE(s.data_log_open_at_end);
  EXPECT_EQ(s.Read("WM33DtLg.txt"), log_at_click);
  EXPECT_EQ(s.Read("WM33ErLg.txt"), errors_at_click);
  EXPECT_TRUE(NoBoxSaid(d, "Died at point"));
}

TEST(EndPaths, QuitButton) {
  QuitBy([] { QTest::mouseClick(Widget<QPushButton>("WM033f1", "buQuit"), Qt::LeftButton); });
}

TEST(EndPaths, QuitMenuEntry) {
  QuitBy([] { EXPECT_TRUE(KeysTo("WM033f1", "alt+q")); });
}

// Closing a window through the window manager, as its owner would.
void CloseByWindowManager(const std::string& form_name) {
  GuiStation s;
  Driver d;
  d.Step(
      "the window framed by the window manager",
      [&s, form_name] {
        QMainWindow* w = Window(form_name);
        return Running(s)() && w->frameGeometry() != w->geometry();
      },
      [form_name] {
        EXPECT_TRUE(XTool({"wmctrl", "-i", "-c", Wid(Window(form_name))}));
      });
  EXPECT_EQ(s.Run(d), 0);
  EXPECT_TRUE(NoBoxSaid(d, "Died at point"));
  EXPECT_EQ(s.Read("WM33ErLg.txt").find("Unable to write"), std::string::npos);
}

TEST(EndPaths, ClosingTheMainWindow) {
  CloseByWindowManager("WM033f1");
}

TEST(EndPaths, ClosingTheErrorWindow) {
  CloseByWindowManager("WM033ErrDisp");
}

}  // namespace
}  // namespace wm033::guitest
