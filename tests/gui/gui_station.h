// The program run with its real windows inside the test process, on the X server and window
// manager that tests/gui/run.sh starts: a station folder of its own (a copy of the demo station
// with its own XDG_RUNTIME_DIR), and a driver that waits for conditions in whatever event loop
// is running (the program's, or a modal box's own) and then acts, as Qt's own tests answer
// dialogs from queued calls.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/wm033f1.h"

namespace wm033::guitest {

// Generous: the machine running CI is small and loaded.
constexpr int kStepTimeoutMs = 40000;

// Steps run one after the other: each waits until its condition holds, then acts.
class Driver {
 public:
  Driver();
  ~Driver();
  void Step(std::string what, std::function<bool()> ready, std::function<void()> act = {});
  // Waits for a modal box whose text contains `text`, then acts on it.
  void OnBox(const std::string& text, std::function<void(QDialog&)> act);
  // Answers the box as a click on its button with this role would.
  static void Press(QDialog& box, QMessageBox::StandardButton which);

  // Every modal box seen, in order, with its text.
  std::vector<std::string> boxes;
  std::vector<std::string> failures;
  // What to report beside a step that timed out (the windows' places, for one).
  std::function<std::string()> diagnose;
  bool Done() const { return steps_.empty(); }

 private:
  struct StepDef {
    std::string what;
    std::function<bool()> ready;
    std::function<void()> act;
  };
  void Poll();
  void GiveUp(const std::string& why);

  std::deque<StepDef> steps_;
  QTimer timer_;
  std::chrono::steady_clock::time_point step_started_;
  bool gave_up_ = false;
};

// A station folder and one run of the program in it.
class GuiStation {
 public:
  GuiStation();
  ~GuiStation();
  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }
  void Write(const std::string& rel, const std::string& content) const;
  std::string Read(const std::string& rel) const;
  std::vector<std::string> Lines(const std::string& rel) const;
  // Environment of the run, beside the station's own (set for the run only).
  void SetEnv(const std::string& name, const std::string& value);
  // Removes the data log, so that start-up shows its first-start box.
  void WithoutDataLog() const;

  // Runs the program with windows until it ends; returns its exit status.
  int Run(Driver& driver);

  // While running: the main form (for what no window shows).
  TWM033f1* form = nullptr;
  // When the event loop ended, before the end of the run closed what was left open.
  bool error_log_open_at_end = false;
  bool data_log_open_at_end = false;
  std::string run_dir;  // XDG_RUNTIME_DIR of the run
  double seconds = 0;   // how long the run took

 private:
  std::string dir_;
  std::vector<std::pair<std::string, std::string>> env_;
};

// Finds a top-level window of the program by its form name ("WM033f1", "WM033ErrDisp",
// "WM033fControl", "wm033warnF1").
QMainWindow* Window(const std::string& form_name);
// A child widget of a window by its component name.
template <typename T>
T* Widget(const std::string& form_name, const std::string& name) {
  QMainWindow* w = Window(form_name);
  return w ? w->findChild<T*>(QString::fromStdString(name)) : nullptr;
}
// The text of a modal box (message or input box).
std::string BoxText(QDialog& box);
// Runs an X tool (xdotool, wmctrl) with arguments; true when it ended with status 0.
bool XTool(const QStringList& args);
// Activates a program window through the window manager and types keys into it through the X
// server (xdotool key syntax: "alt+r", "a").
bool KeysTo(const std::string& form_name, const std::string& keys);
// Opens a menu of a window by a click on its title, waits until it is open, then types `then`
// into it (xdotool key names: "Down Return", "a").
bool MenuEntry(const std::string& form_name, const std::string& menu, const std::string& then);
// The X window id of a program window, as a decimal string for the X tools.
QString Wid(QMainWindow* w);
// The outer frame of a window as the window system has it.
forms::Geometry Frame(QMainWindow* w);
bool SameFrame(QMainWindow* w, forms::Geometry g);

}  // namespace wm033::guitest
