// The parts of the platform shared by the Qt and headless runs: the program's clock, Qt's event
// loop for waits and ticks, ending the program, and random numbers. Dialogs are left to the
// two subclasses.
#pragma once

#include <functional>
#include <memory>
#include <random>

#include "forms/components.h"
#include "platform/environment.h"
#include "platform/platform.h"
#include "platform/program_clock.h"

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
  // Runs `fn` from the top of the event loop: at once when no handler is waiting in
  // ProcessMessages, else as soon as the handler has returned.
  void RunAtTopLevel(std::function<void()> fn);
  int Depth() const { return depth_; }
  const ProgramClock& clock() const { return clock_; }

 private:
  ProgramClock clock_;
  int depth_ = 0;
  bool terminate_requested_ = false;
  int exit_status_ = 0;
  std::mt19937 rng_{20120823u};
  std::unique_ptr<QTimer> timer_;
};

}  // namespace wm033
