#include "platform/event_loop_platform.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

namespace wm033 {

EventLoopPlatform::EventLoopPlatform(const Environment& env)
    : clock_(env.clock_rate, env.clock_start_epoch) {}

EventLoopPlatform::~EventLoopPlatform() = default;

void EventLoopPlatform::ProcessMessages() {
  ++depth_;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  --depth_;
}

void EventLoopPlatform::WaitForEvents(uint32_t tick_ms) {
  ++depth_;
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  deadline.start(static_cast<int>(clock_.RealMsFor(tick_ms)));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  --depth_;
}

void EventLoopPlatform::Terminate(int status) {
  if (!terminate_requested_ || (exit_status_ == 0 && status != 0)) exit_status_ = status;
  terminate_requested_ = true;
  // Posted: the running handler finishes first, and a request made before the event loop
  // started is seen when it starts.
  QTimer::singleShot(0, QCoreApplication::instance(),
                     [this] { QCoreApplication::exit(exit_status_); });
}

void EventLoopPlatform::SeedRandom() {
  const auto now = std::chrono::system_clock::now().time_since_epoch().count();
  rng_.seed(static_cast<uint32_t>(now ^ (now >> 32)));
}

uint32_t EventLoopPlatform::Random(uint32_t n) {
  if (n == 0) return 0;
  return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng_);
}

void EventLoopPlatform::BindTimer(forms::Timer& timer) {
  timer_ = std::make_unique<QTimer>();
  timer_->setTimerType(Qt::PreciseTimer);
  QObject::connect(timer_.get(), &QTimer::timeout, [&timer] { timer.Fire(); });
  auto apply = [this, &timer] {
    const int ms = static_cast<int>(clock_.RealMsFor(timer.Interval()));
    if (timer.Enabled()) {
      if (!timer_->isActive() || timer_->interval() != ms) timer_->start(ms);
    } else {
      timer_->stop();
    }
  };
  timer.OnChange(apply);
  apply();
}

void EventLoopPlatform::RunAtTopLevel(std::function<void()> fn) {
  if (depth_ == 0) {
    fn();
    return;
  }
  QTimer::singleShot(10, QCoreApplication::instance(),
                     [this, fn = std::move(fn)]() mutable { RunAtTopLevel(std::move(fn)); });
}

}  // namespace wm033
