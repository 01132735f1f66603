#include "tests/gui/gui_station.h"

#include <signal.h>
#include <unistd.h>

#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QWindow>
#include <QtTest/QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "datalog/records.h"
#include "datalog/timestamp.h"
#include "gui/program.h"
#include "platform/single_instance.h"
#include "tests/text_files.h"

namespace wm033::guitest {

namespace fs = std::filesystem;

// ---- Driver ---------------------------------------------------------------------------------

Driver::Driver() {
  timer_.setInterval(20);
  QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
  timer_.start();
  step_started_ = std::chrono::steady_clock::now();
}

Driver::~Driver() = default;

void Driver::Step(std::string what, std::function<bool()> ready, std::function<void()> act) {
  if (steps_.empty()) step_started_ = std::chrono::steady_clock::now();
  steps_.push_back({std::move(what), std::move(ready), std::move(act)});
}

void Driver::OnBox(const std::string& text, std::function<void(QDialog&)> act) {
  Step(
      "a box saying \"" + text + "\"",
      [text] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        return box && box->isVisible() && BoxText(*box).find(text) != std::string::npos;
      },
      [act] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) act(*box);
      });
}

void Driver::Press(QDialog& box, QMessageBox::StandardButton which) {
  if (auto* mb = qobject_cast<QMessageBox*>(&box)) {
    if (QAbstractButton* b = mb->button(which)) {
      QTest::mouseClick(b, Qt::LeftButton);
      return;
    }
  }
  if (!qobject_cast<QInputDialog*>(&box) && !qobject_cast<QMessageBox*>(&box)) {
    // A long message: its one OK button.
    if (auto* b = box.findChild<QPushButton*>()) {
      QTest::mouseClick(b, Qt::LeftButton);
      return;
    }
  }
  if (auto* in = qobject_cast<QInputDialog*>(&box)) {
    // The input box's buttons are the dialog's OK and Cancel.
    for (QPushButton* b : in->findChildren<QPushButton*>()) {
      const QString t = b->text().remove('&');
      if ((which == QMessageBox::Ok && t == "OK") ||
          (which == QMessageBox::Cancel && t == "Cancel")) {
        QTest::mouseClick(b, Qt::LeftButton);
        return;
      }
    }
  }
  ADD_FAILURE() << "no such button on the box " << BoxText(box);
}

void Driver::Poll() {
  if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
    if (box->isVisible() && !box->property("wm033_seen").toBool()) {
      box->setProperty("wm033_seen", true);
      boxes.push_back(BoxText(*box));
    }
  }
  if (gave_up_) return;
  if (steps_.empty()) {
    // Every step has run: the program must end by itself now.
    if (std::chrono::steady_clock::now() - step_started_ >
        std::chrono::milliseconds(kStepTimeoutMs))
      GiveUp("the program did not end after the last step");
    return;
  }
  StepDef& s = steps_.front();
  if (!s.ready()) {
    const auto waited = std::chrono::steady_clock::now() - step_started_;
    if (waited > std::chrono::milliseconds(kStepTimeoutMs))
      GiveUp("timed out waiting for " + s.what);
    return;
  }
  StepDef done = std::move(s);
  steps_.pop_front();
  const auto waited = std::chrono::steady_clock::now() - step_started_;
  if (waited > std::chrono::seconds(5))  // slow, though in time: worth a line in the CI log
    fprintf(stderr, "note: waited %.1f s for %s\n", std::chrono::duration<double>(waited).count(),
            done.what.c_str());
  step_started_ = std::chrono::steady_clock::now();
  // Acted on from a queued call: an action that opens a modal box runs that box's own event
  // loop, and the polling timer must keep ticking in it.
  if (done.act)
    QMetaObject::invokeMethod(
        &timer_, [act = std::move(done.act)] { act(); }, Qt::QueuedConnection);
}

void Driver::GiveUp(const std::string& why) {
  gave_up_ = true;
  failures.push_back(why);
  ADD_FAILURE() << why << (diagnose ? "\n" + diagnose() : std::string());
  // End the run the way an outside request would, so that the test can report.
  ::kill(::getpid(), SIGTERM);
}

// ---- GuiStation -----------------------------------------------------------------------------

GuiStation::GuiStation() {
  // Short: the instance socket's path must fit in a socket address.
  std::string templ = (fs::temp_directory_path() / "wm033g-XXXXXX").string();
  if (!::mkdtemp(templ.data())) ADD_FAILURE() << "mkdtemp failed";
  dir_ = templ;
  fs::copy(std::string(WM033_SOURCE_DIR) + "/demo", dir_, fs::copy_options::recursive);
  run_dir = dir_ + "/run";
  fs::create_directories(run_dir);
  fs::permissions(run_dir, fs::perms::owner_all, fs::perm_options::replace);
  // A data log already there: no first-start box unless a test asks for it.
  Write("WM33DtLg.txt",
        DataLogHeaderLine1() + "\r\n" +
            DataLogHeaderLine2(TimeStampOf(DecodeDayCount(EncodeDayCount(2012, 8, 23, 14, 5)))) +
            "\r\n");
}

GuiStation::~GuiStation() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

void GuiStation::Write(const std::string& rel, const std::string& content) const {
  fs::create_directories(fs::path(Path(rel)).parent_path());
  std::ofstream(Path(rel), std::ios::binary) << content;
}

std::string GuiStation::Read(const std::string& rel) const {
  std::ifstream in(Path(rel), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> GuiStation::Lines(const std::string& rel) const {
  return testing::SplitLines(Read(rel));
}

void GuiStation::SetEnv(const std::string& name, const std::string& value) {
  env_.push_back({name, value});
}

void GuiStation::WithoutDataLog() const {
  fs::remove(Path("WM33DtLg.txt"));
}

int GuiStation::Run(Driver& driver) {
  const fs::path before = fs::current_path();
  fs::current_path(dir_);
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  auto set = [&saved](const std::string& name, const std::string& value) {
    const char* old = std::getenv(name.c_str());
    saved.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
    setenv(name.c_str(), value.c_str(), 1);
  };
  set("XDG_RUNTIME_DIR", run_dir);
  set("WM033_MICROLAN", "sim");
  set("WM033_HEADLESS", "0");
  for (const auto& [name, value] : env_) set(name, value);

  const Environment env = Environment::FromProcess();
  SingleInstance instance;
  EXPECT_EQ(instance.Acquire("MyApp"), SingleInstance::Result::First);
  gui::RunHooks hooks;
  hooks.started = [this](TWM033f1& f) { form = &f; };
  hooks.ended = [this](TWM033f1& f) {
    error_log_open_at_end = f.bErrorLogOn || f.fErrorLog.IsOpen();
    data_log_open_at_end = f.bDataLogOpen || f.fDataLog.IsOpen();
    form = nullptr;
  };
  const auto started = std::chrono::steady_clock::now();
  const int status = gui::RunStation(env, instance, false, hooks);
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  form = nullptr;

  for (auto it = saved.rbegin(); it != saved.rend(); ++it) {
    if (it->second)
      setenv(it->first.c_str(), it->second->c_str(), 1);
    else
      unsetenv(it->first.c_str());
  }
  fs::current_path(before);
  EXPECT_TRUE(driver.Done()) << "the program ended before every step had run";
  return status;
}

// ---- Helpers ---------------------------------------------------------------------------------

QMainWindow* Window(const std::string& form_name) {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->objectName() == QString::fromStdString(form_name))
      if (auto* mw = qobject_cast<QMainWindow*>(w)) return mw;
  }
  return nullptr;
}

std::string BoxText(QDialog& box) {
  if (auto* mb = qobject_cast<QMessageBox*>(&box)) return mb->text().toStdString();
  if (auto* in = qobject_cast<QInputDialog*>(&box)) return in->labelText().toStdString();
  if (auto* area = box.findChild<QPlainTextEdit*>()) return area->toPlainText().toStdString();
  return box.windowTitle().toStdString();
}

bool XTool(const QStringList& args) {
  QProcess p;
  QStringList rest = args;
  const QString program = rest.takeFirst();
  p.start(program, rest);
  const bool ok =
      p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
  if (!ok)
    ADD_FAILURE() << args.join(' ').toStdString() << ": " << p.readAllStandardError().toStdString();
  return ok;
}

bool KeysTo(const std::string& form_name, const std::string& keys) {
  QMainWindow* w = Window(form_name);
  if (!w) return false;
  // --sync waits until the window manager has made it the active window.
  return XTool({"xdotool", "windowactivate", "--sync", Wid(w)}) &&
         XTool(QStringList{"xdotool", "key", "--clearmodifiers"} +
               QString::fromStdString(keys).split(' ', Qt::SkipEmptyParts));
}

bool MenuEntry(const std::string& form_name, const std::string& menu, const std::string& then) {
  QMainWindow* w = Window(form_name);
  QMenu* m = w ? w->findChild<QMenu*>(QString::fromStdString(menu)) : nullptr;
  if (!m) return false;
  // A click on the menu's title in the menu bar, through the X server.
  const QRect title = w->menuBar()->actionGeometry(m->menuAction());
  const QPoint at = w->menuBar()->mapToGlobal(title.center());
  if (!XTool({"xdotool", "windowactivate", "--sync", Wid(w)}) ||
      !XTool(
          {"xdotool", "mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"}))
    return false;
  const auto open = [m] { return QApplication::activePopupWidget() == m && m->isVisible(); };
  // Waits in this call, with the events running, until the menu is up.
  if (!QTest::qWaitFor(open, kStepTimeoutMs)) {
    ADD_FAILURE() << "menu " << menu << " did not open";
    return false;
  }
  return XTool(QStringList{"xdotool", "key"} +
               QString::fromStdString(then).split(' ', Qt::SkipEmptyParts));
}

QString Wid(QMainWindow* w) {
  return QString::number(static_cast<qulonglong>(w->winId()));
}

forms::Geometry Frame(QMainWindow* w) {
  if (!w) return {};
  const QRect r = w->frameGeometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

bool SameFrame(QMainWindow* w, forms::Geometry g) {
  const forms::Geometry f = Frame(w);
  return f.left == g.left && f.top == g.top && f.width == g.width && f.height == g.height;
}

}  // namespace wm033::guitest
