// Program entry: one running copy per user, the windows in their order (numeric display, error
// window, main window, whose creation runs the start-up sequence), then the event loop until
// the end is requested. The program takes no command-line arguments.
#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/wm033f1.h"
#include "gui/views.h"
#include "platform/headless_platform.h"
#include "platform/signals.h"
#include "platform/single_instance.h"

using namespace wm033;

namespace {

bool WantHeadless(const Environment& env) {
  if (env.headless_forced) return true;
  const char* x = std::getenv("DISPLAY");
  const char* w = std::getenv("WAYLAND_DISPLAY");
  return !(x && *x) && !(w && *w);
}

[[noreturn]] void OnTerminate() {
  WriteStderrLine("WM033: unexpected internal error; the program ends.");
  std::_Exit(kExitInternal);
}

}  // namespace

int main(int argc, char** argv) {
  std::set_terminate(OnTerminate);
  const Environment env = Environment::FromProcess();

  // A second copy tells the first and ends before it creates a window or touches a file.
  SingleInstance instance;
  const SingleInstance::Result who = instance.Acquire("MyApp");
  if (who == SingleInstance::Result::SecondNotified) return kExitOk;

  const bool headless = WantHeadless(env);
  std::unique_ptr<QGuiApplication> app;
  if (headless) {
    // Headless runs still draw text and the dial with Qt's painter, on its offscreen platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    app = std::make_unique<QGuiApplication>(argc, argv);
  } else {
    app = std::make_unique<QApplication>(argc, argv);
  }
  QCoreApplication::setApplicationName(QStringLiteral("WM033"));

  std::unique_ptr<EventLoopPlatform> platform;
  if (headless)
    platform = std::make_unique<HeadlessPlatform>(env);
  else
    platform = gui::MakeQtPlatform(env);

  if (who == SingleInstance::Result::Unguarded)
    WriteStderrLine("WM033: no single-instance lock (" + instance.Error() + "); running anyway.");
  for (const std::string& p : env.problems) WriteStderrLine("WM033: " + p);
  if (headless) {
    WriteStderrLine("WM033: running headless; drive C: is " + env.drive_c +
                    (env.simulated_microlan ? "; simulated MicroLan" : ""));
  }

  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<gui::Views> views;
  if (!headless) views = gui::MakeViews(control, errdisp);
  QCoreApplication::processEvents();

  TWM033f1 form(*platform, env, control, errdisp);
  if (views) views->AddMainWindow(form);
  platform->BindTimer(form.Timer1);

  // SIGINT and SIGTERM run the Quit action at top level, like a click on Quit.
  std::unique_ptr<QSocketNotifier> quit_notifier;
  const int quit_fd = InstallQuitSignals();
  if (quit_fd >= 0) {
    quit_notifier = std::make_unique<QSocketNotifier>(quit_fd, QSocketNotifier::Read);
    QObject::connect(quit_notifier.get(), &QSocketNotifier::activated, [&] {
      DrainQuitSignals(quit_fd);
      platform->RunAtTopLevel([&] {
        if (!form.bQuitting) form.buQuitClick();
        platform->Terminate(kExitOk);
      });
    });
  }
  // The "MyApp" message of a second copy.
  std::unique_ptr<QSocketNotifier> instance_notifier;
  if (instance.ListenFd() >= 0) {
    instance_notifier =
        std::make_unique<QSocketNotifier>(instance.ListenFd(), QSocketNotifier::Read);
    QObject::connect(instance_notifier.get(), &QSocketNotifier::activated, [&] {
      if (instance.ReadMessages() && control.InstanceHook) control.InstanceHook();
    });
  }

  try {
    form.FormCreate();
  } catch (const std::exception& e) {
    WriteStderrLine(std::string("WM033: unexpected error during start-up: ") + e.what());
    return kExitInternal;
  }
  if (views) views->AfterStartup();
  if (headless && form.wm033warnF1) {
    std::string text = form.wm033warnF1->Caption() + ":";
    for (const std::string& l : form.wm033warnF1->Memo1.Lines()) text += "\n" + l;
    platform->ShowMessage(text);
  }

  int status = kExitOk;
  try {
    status = app->exec();
  } catch (const std::exception& e) {
    WriteStderrLine(std::string("WM033: unexpected internal error: ") + e.what());
    return kExitInternal;
  }
  if (platform->TerminateRequested()) status = platform->ExitStatus();
  return status;
}
