// The parts of the platform shared by the Qt and headless runs: the program's clock, Qt's event
// loop for waits and ticks, ending the program, and random numbers. Dialogs are left to the
// two subclasses.
//
// Ending: a request to end is kept until the program ends. It is acted on only at the top of
// the event loop, when no handler is running: not inside start-up, a wait, or a modal box's own
// event loop, which would otherwise swallow it. Once it is made, timer ticks no longer reach
// the form, so no cycle starts after it.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <random>

#include "forms/components.h"
#include "platform/environment.h"
#include "platform/platform.h"
#include "platform/program_clock.h"

class QObject;
class QTimer;

namespace wm033 {

class EventLoopPlatform : public Platform {
 public:
  explicit EventLoopPlatform(const Environment& env);
  ~EventLoopPlatform() override;

  double Now() override { return clock_.Now(); }
  uint32_t GetTickCount() override { return clock_.TickCount(); }
  double ClockRate() const override { return clock_.Rate(); }
  void ProcessMessages() override;
  void WaitForEvents(uint32_t tick_ms) override;
  void Terminate(int status) override;
  bool TerminateRequested() const override { return terminate_requested_; }
  int ExitStatus() const { return exit_status_; }
  void SeedRandom() override;
  uint32_t Random(uint32_t n) override;

  // Drives a form's timer with a Qt timer, interval scaled by the clock rate.
  void BindTimer(forms::Timer& timer);
  // Runs `fn` from the top of the event loop, once no handler is running.
  void RunAtTopLevel(std::function<void()> fn);
  // An outside request to quit (SIGINT, SIGTERM): open modal boxes close as if cancelled, later
  // ones answer at once as if cancelled, and `quit` runs at the top of the event loop.
  void RequestQuit(std::function<void()> quit);
  bool QuitRequested() const { return quit_requested_; }
  // Runs the event loop until the end is requested; returns the exit status.
  int RunMainLoop();
  // Marks a stretch in which a handler runs (start-up, a modal box): nothing ends the program
  // or runs at top level until it is over.
  class HandlerScope {
   public:
    explicit HandlerScope(EventLoopPlatform& p) : p_(p) { ++p_.depth_; }
    ~HandlerScope() { p_.Leave(); }
    HandlerScope(const HandlerScope&) = delete;
    HandlerScope& operator=(const HandlerScope&) = delete;

   private:
    EventLoopPlatform& p_;
  };
  int Depth() const { return depth_; }
  const ProgramClock& clock() const { return clock_; }

 protected:
  // Closes every open modal box as if it was cancelled (windows only).
  virtual void CancelModalBoxes() {}

 private:
  void Leave();
  void Schedule();
  void RunTopLevel();
  bool AtTopLevel() const { return in_main_loop_ && depth_ == 0; }

  ProgramClock clock_;
  int depth_ = 0;
  bool in_main_loop_ = false;
  bool scheduled_ = false;
  bool terminate_requested_ = false;
  bool quit_requested_ = false;
  int exit_status_ = 0;
  std::deque<std::function<void()>> top_level_;
  std::mt19937 rng_{20120823u};
  std::unique_ptr<QTimer> timer_;
  std::unique_ptr<QObject> context_;  // posted calls die with the platform
};

}  // namespace wm033
