#include "gui/program.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/wm033f1.h"
#include "gui/views.h"
#include "platform/display_choice.h"
#include "platform/headless_platform.h"
#include "platform/signals.h"

namespace wm033::gui {

namespace {

std::optional<std::string> GetEnv(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return std::nullopt;
  return std::string(v);
}

// After Quit the logs are already closed; other ends (a closed window, a fault) close them here,
// as the end of the process would.
void CloseLogs(TWM033f1& form) {
  if (form.bErrorLogOn) form.CloseErrorLog();
  form.bErrorLogOn = false;
  if (form.bDataLogOpen) form.CloseDataLog();
  form.bDataLogOpen = false;
}

}  // namespace

int RunStation(const Environment& env, SingleInstance& instance, bool headless,
               const RunHooks& hooks) {
  // However this run ends, a watchdog that a quit signal armed has nothing left to guard.
  struct DisarmAtEnd {
    ~DisarmAtEnd() { DisarmEndWatchdog(); }
  } disarm_at_end;
  std::unique_ptr<EventLoopPlatform> platform;
  if (headless)
    platform = std::make_unique<HeadlessPlatform>(env);
  else
    platform = MakeQtPlatform(env);
  QGuiApplication::setQuitOnLastWindowClosed(false);  // only the program's own request ends it

  if (!instance.Locked())
    WriteStderrLine("WM033: no single-instance lock (" + instance.Error() + "); running anyway.");
  else if (instance.ListenFd() < 0)
    WriteStderrLine("WM033: a second copy cannot bring this one to the front (" + instance.Error() +
                    ").");
  for (const std::string& p : env.problems) WriteStderrLine("WM033: " + p);
  if (headless) {
    WriteStderrLine("WM033: running headless; drive C: is " + env.drive_c +
                    (env.simulated_microlan ? "; simulated MicroLan" : ""));
  }

  TWM033fControl control;
  TWM033ErrDisp errdisp;
  std::unique_ptr<Views> views;
  if (!headless) views = MakeViews(control, errdisp);
  QCoreApplication::processEvents();

  TWM033f1 form(*platform, env, control, errdisp);
  if (views) views->AddMainWindow(form);
  platform->BindTimer(form.Timer1);

  // SIGINT and SIGTERM: an open box closes as if cancelled, and the Quit action runs at top
  // level, like a click on Quit.
  std::unique_ptr<QSocketNotifier> quit_notifier;
  const int quit_fd = InstallQuitSignals();
  if (quit_fd >= 0) {
    DrainQuitSignals(quit_fd);
    quit_notifier = std::make_unique<QSocketNotifier>(quit_fd, QSocketNotifier::Read);
    QObject::connect(quit_notifier.get(), &QSocketNotifier::activated, [&] {
      DrainQuitSignals(quit_fd);
      if (platform->QuitRequested()) return;
      platform->RequestQuit([&] {
        if (!form.bQuitting || form.bErrorLogOn || form.bDataLogOpen) form.buQuitClick();
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
    EventLoopPlatform::HandlerScope startup(*platform);
    form.FormCreate();
  } catch (const std::exception& e) {
    WriteStderrLine(std::string("WM033: unexpected error during start-up: ") + e.what());
    return kExitInternal;
  }
  if (!headless && !WindowPlacementAvailable(QGuiApplication::platformName().toStdString()))
    form.ReportError(kNoPlacementNote);
  // Once the end is requested, the program ends without showing more windows.
  if (views && !platform->TerminateRequested()) views->AfterStartup();
  if (headless && form.wm033warnF1) {
    std::string text = form.wm033warnF1->Caption() + ":";
    for (const std::string& l : form.wm033warnF1->Memo1.Lines()) text += "\n" + l;
    platform->ShowMessage(text);
  }

  if (hooks.started) hooks.started(form);

  int status = kExitOk;
  try {
    status = platform->RunMainLoop();
  } catch (const std::exception& e) {
    WriteStderrLine(std::string("WM033: unexpected internal error: ") + e.what());
    return kExitInternal;
  }
  if (hooks.ended) hooks.ended(form);
  CloseLogs(form);
  return status;
}

int RunProgram(const char* program_name) {
  const Environment env = Environment::FromProcess();

  // A second copy tells the first and ends before it creates a window or touches a file.
  SingleInstance instance;
  if (instance.Acquire("MyApp") == SingleInstance::Result::SecondNotified) return kExitOk;

  const DisplayChoice display = ChooseDisplay(env.headless_forced, GetEnv);
  if (display.qpa) setenv("QT_QPA_PLATFORM", display.qpa->c_str(), 1);
  // Qt sees only the program's name: no command-line argument changes what the program does.
  static char name[64];
  snprintf(name, sizeof name, "%s", program_name ? program_name : "wm033");
  static char* qt_argv[] = {name, nullptr};
  static int qt_argc = 1;
  std::unique_ptr<QGuiApplication> app;
  if (display.headless)
    app = std::make_unique<QGuiApplication>(qt_argc, qt_argv);
  else
    app = std::make_unique<QApplication>(qt_argc, qt_argv);
  QCoreApplication::setApplicationName(QStringLiteral("WM033"));
  const int status = RunStation(env, instance, display.headless);
  // The logs are closed; the toolkit's teardown (a window system that stopped answering can hold
  // it) must not keep the process from ending with its status.
  ArmEndWatchdog(kTeardownSeconds, status, "the window system's teardown");
  app.reset();
  return status;
}

}  // namespace wm033::gui
