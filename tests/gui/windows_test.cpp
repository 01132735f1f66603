// The three windows under a real window manager: the restack schemes after the owner moved and
// minimised windows, minimise, restore and maximise done by the window manager, the help and
// About boxes at the main window's real place, and a second copy bringing the first to the
// front.
#include <QProcess>
#include <QPushButton>
#include <QtTest/QTest>

#include "tests/gui/gui_station.h"

namespace wm033::guitest {
namespace {

constexpr forms::Geometry kSchemeA[3] = {{0, 0, 696, 370}, {0, 342, 696, 120}, {0, 249, 696, 420}};
constexpr forms::Geometry kSchemeB[3] = {
    {10, 0, 580, 300}, {10, 300, 580, 100}, {10, 400, 580, 310}};
const char* const kForms[3] = {"WM033f1", "WM033ErrDisp", "WM033fControl"};

// The built-in layouts: a settings file without window lines.
void DefaultLayouts(GuiStation& s) {
  s.Write("WM033/WM033ini2.txt", "abWM033ini2\r\n[sbc]\r\nbcp=C:\\web\r\nhsi=60\r\n");
}

std::function<bool()> Running(GuiStation& s) {
  return [&s] {
    QMainWindow* main = Window("WM033f1");
    return s.form && s.form->bCycleReady && main && main->isVisible();
  };
}

// Running, and the window manager has framed all three windows (it manages them).
std::function<bool()> Settled(GuiStation& s) {
  return [&s] {
    if (!Running(s)()) return false;
    for (const char* name : kForms) {
      QMainWindow* w = Window(name);
      if (!w || w->frameGeometry() == w->geometry()) return false;
    }
    return true;
  };
}

bool Minimised(const char* form) {
  QMainWindow* w = Window(form);
  return w && (w->windowState() & Qt::WindowMinimized);
}

// Placed by a scheme: outer frames as given, none minimised, the main window active with the
// focus on the comment button.
bool PlacedBy(const forms::Geometry (&scheme)[3]) {
  for (int i = 0; i < 3; ++i) {
    QMainWindow* w = Window(kForms[i]);
    if (!w || Minimised(kForms[i]) || !SameFrame(w, scheme[i])) return false;
  }
  QWidget* focus = QApplication::focusWidget();
  return QApplication::activeWindow() == Window("WM033f1") && focus &&
         focus->objectName() == "buInsCmnt";
}

std::string Describe(const forms::Geometry& f) {
  return std::to_string(f.left) + "," + std::to_string(f.top) + " " + std::to_string(f.width) +
         "x" + std::to_string(f.height);
}

// Where the windows are, and where the forms think they are.
std::function<std::string()> Places(GuiStation& s) {
  return [&s] {
    std::string out;
    for (const char* name : kForms) {
      out += std::string(name) + ": window " + Describe(Frame(Window(name))) +
             (Minimised(name) ? " minimised" : "");
      if (s.form) {
        forms::Form* f = s.form;
        if (name == std::string("WM033ErrDisp")) f = &s.form->WM033ErrDisp;
        if (name == std::string("WM033fControl")) f = &s.form->WM033fControl;
        out += ", form " + Describe(f->Bounds()) + " state " + std::to_string(int(f->State()));
      }
      out += "\n";
    }
    QWidget* focus = QApplication::focusWidget();
    out += "active " +
           (QApplication::activeWindow() ? QApplication::activeWindow()->objectName().toStdString()
                                         : std::string("none")) +
           ", focus " + (focus ? focus->objectName().toStdString() : std::string("none"));
    return out;
  };
}

// The form knows where its window really is.
bool ModelFollows(GuiStation& s) {
  const forms::Geometry m = s.form->Bounds();
  return SameFrame(Window("WM033f1"), m);
}

void Quit(Driver& d) {
  d.Step(
      "Quit enabled", [] { return Widget<QPushButton>("WM033f1", "buQuit")->isEnabled(); },
      [] { QTest::mouseClick(Widget<QPushButton>("WM033f1", "buQuit"), Qt::LeftButton); });
}

TEST(Windows, RestackSchemesAfterTheOwnerMovedAndMinimisedWindows) {
  GuiStation s;
  DefaultLayouts(s);
  Driver d;
  d.diagnose = Places(s);
  d.Step("start-up placed by scheme A", [&] {
    if (!Running(s)()) return false;
    for (int i = 0; i < 3; ++i) {
      QMainWindow* w = Window(kForms[i]);
      // Settled: the window manager's frame is known.
      if (!SameFrame(w, kSchemeA[i]) || w->frameGeometry() == w->geometry()) return false;
    }
    return true;
  });
  // The owner moves the main window and minimises the numeric display.
  d.Step(
      "", [] { return true; },
      [] {
        EXPECT_TRUE(XTool({"wmctrl", "-i", "-r", Wid(Window("WM033f1")), "-e", "0,400,220,-1,-1"}));
        EXPECT_TRUE(XTool({"xdotool", "windowminimize", Wid(Window("WM033fControl"))}));
      });
  d.Step("the main window moved, the numeric display minimised, the forms told", [&] {
    return Frame(Window("WM033f1")).left >= 390 && Minimised("WM033fControl") && ModelFollows(s) &&
           s.form->WM033fControl.State() == forms::WindowState::Minimized;
  });
  // The help box appears at the main window's real place.
  d.Step(
      "", [] { return true; },
      [] { QTest::mouseClick(Widget<QPushButton>("WM033f1", "buHelp"), Qt::LeftButton); });
  d.OnBox("The program was supplied with a help file", [](QDialog&) {});
  d.Step(
      "the help box at the main window's left + 10, top + 60",
      [] {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        const QRect main = Window("WM033f1")->frameGeometry();
        return box && box->frameGeometry().topLeft() == main.topLeft() + QPoint(10, 60);
      },
      [] {
        Driver::Press(*qobject_cast<QDialog*>(QApplication::activeModalWidget()), QMessageBox::Ok);
      });
  d.Step(
      "the main window back", [] { return QApplication::activeModalWidget() == nullptr; },
      [] { EXPECT_TRUE(MenuEntry("WM033f1", "Restack1", "a")); });
  d.Step("placed by scheme A", [] { return PlacedBy(kSchemeA); });
  // Again for scheme B, after the owner moved the error window and minimised the main window's
  // companions by minimising it.
  d.Step(
      "", [] { return true; },
      [] {
        EXPECT_TRUE(
            XTool({"wmctrl", "-i", "-r", Wid(Window("WM033ErrDisp")), "-e", "0,700,500,-1,-1"}));
      });
  d.Step(
      "the error window moved", [] { return Frame(Window("WM033ErrDisp")).left >= 690; },
      [] { EXPECT_TRUE(MenuEntry("WM033f1", "Restack1", "b")); });
  d.Step("placed by scheme B", [] { return PlacedBy(kSchemeB); });
  d.Step("the forms follow", [&] {
    return ModelFollows(s) && SameFrame(Window("WM033ErrDisp"), s.form->WM033ErrDisp.Bounds());
  });
  Quit(d);
  EXPECT_EQ(s.Run(d), 0);
}

TEST(Windows, MinimiseRestoreAndMaximiseByTheWindowManager) {
  GuiStation s;
  DefaultLayouts(s);
  Driver d;
  d.diagnose = Places(s);
  forms::Geometry before{};
  d.Step("running", Settled(s), [] {
    EXPECT_TRUE(XTool({"xdotool", "windowminimize", Wid(Window("WM033f1"))}));
  });
  d.Step(
      "all three minimised",
      [] {
        return Minimised("WM033f1") && Minimised("WM033ErrDisp") && Minimised("WM033fControl");
      },
      [] {
        EXPECT_TRUE(XTool({"wmctrl", "-i", "-a", Wid(Window("WM033f1"))}));
      });
  d.Step(
      "all three restored",
      [] {
        return !Minimised("WM033f1") && !Minimised("WM033ErrDisp") && !Minimised("WM033fControl") &&
               Window("WM033fControl")->isVisible();
      },
      [&] {
        before = Frame(Window("WM033f1"));
        EXPECT_TRUE(XTool({"wmctrl", "-i", "-r", Wid(Window("WM033f1")), "-b",
                           "add,maximized_vert,maximized_horz"}));
      });
  d.Step(
      "maximising returned at once to the normal size",
      [&] {
        QMainWindow* main = Window("WM033f1");
        return !(main->windowState() & Qt::WindowMaximized) && SameFrame(main, before) &&
               s.form->State() == forms::WindowState::Normal;
      },
      [] {
        // The owner resizes the main window: the form follows its outer frame.
        EXPECT_TRUE(XTool({"wmctrl", "-i", "-r", Wid(Window("WM033f1")), "-e", "0,-1,-1,650,350"}));
      });
  d.Step("the form follows a resize",
         [&] { return Frame(Window("WM033f1")).width != before.width && ModelFollows(s); });
  Quit(d);
  EXPECT_EQ(s.Run(d), 0);
}

TEST(Windows, ASecondCopyBringsTheFirstToTheFront) {
  GuiStation s;
  Driver d;
  d.diagnose = Places(s);
  QProcess second;
  d.Step("running", Settled(s), [] {
    EXPECT_TRUE(XTool({"xdotool", "windowminimize", Wid(Window("WM033f1"))}));
  });
  d.Step(
      "minimised", [] { return Minimised("WM033f1") && Minimised("WM033fControl"); },
      [&] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(s.run_dir));
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(QString::fromStdString(s.run_dir));
        second.start(WM033_BIN_DIR "/wm033", {});
      });
  d.Step(
      "the second copy ended with 0",
      [&] {
        return second.state() == QProcess::NotRunning &&
               second.exitStatus() == QProcess::NormalExit;
      },
      [&] { EXPECT_EQ(second.exitCode(), 0); });
  d.Step("the first restored and in front", [] {
    return !Minimised("WM033f1") && !Minimised("WM033fControl") && !Minimised("WM033ErrDisp") &&
           QApplication::activeWindow() == Window("WM033f1");
  });
  Quit(d);
  EXPECT_EQ(s.Run(d), 0);
}

}  // namespace
}  // namespace wm033::guitest
