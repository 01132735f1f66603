#include "platform/event_loop_platform.h"

#include <QCoreApplication>
#include <QTimer>
#include <chrono>

namespace wm033 {

EventLoopPlatform::EventLoopPlatform(const Environment& env)
    : clock_(env.clock_rate, env.clock_start_epoch), context_(std::make_unique<QObject>()) {}

EventLoopPlatform::~EventLoopPlatform() = default;

void EventLoopPlatform::ProcessMessages() {
  HandlerScope scope(*this);
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void EventLoopPlatform::WaitForEvents(uint32_t tick_ms) {
  HandlerScope scope(*this);
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.setTimerType(Qt::PreciseTimer);
  deadline.start(static_cast<int>(clock_.RealMsFor(tick_ms)));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void EventLoopPlatform::Terminate(int status) {
  if (!terminate_requested_ || (exit_status_ == 0 && status != 0)) exit_status_ = status;
  terminate_requested_ = true;
  if (timer_) timer_->stop();
  // Kept, not posted as a one-off exit: a modal box opened later must not swallow it.
  Schedule();
}

void EventLoopPlatform::RequestQuit(std::function<void()> quit) {
  quit_requested_ = true;
  CancelModalBoxes();
  RunAtTopLevel(std::move(quit));
}

int EventLoopPlatform::RunMainLoop() {
  in_main_loop_ = true;
  Schedule();
  const int status = QCoreApplication::exec();
  in_main_loop_ = false;
  return terminate_requested_ ? exit_status_ : status;
}

void EventLoopPlatform::Leave() {
  if (--depth_ == 0) Schedule();
}

void EventLoopPlatform::Schedule() {
  if (scheduled_ || (!terminate_requested_ && top_level_.empty())) return;
  if (depth_ > 0) return;  // Leave() schedules again once the handler is done
  scheduled_ = true;
  QMetaObject::invokeMethod(
      context_.get(), [this] { RunTopLevel(); }, Qt::QueuedConnection);
}

void EventLoopPlatform::RunTopLevel() {
  scheduled_ = false;
  if (!AtTopLevel()) return;  // delivered inside a handler's loop, or before the main loop
  while (!top_level_.empty() && AtTopLevel()) {
    std::function<void()> fn = std::move(top_level_.front());
    top_level_.pop_front();
    fn();
  }
  if (!AtTopLevel()) return;
  if (terminate_requested_) QCoreApplication::exit(exit_status_);
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
  QObject::connect(timer_.get(), &QTimer::timeout, [this, &timer] {
    if (!terminate_requested_) timer.Fire();  // no cycle once the end is requested
  });
  auto apply = [this, &timer] {
    const int ms = static_cast<int>(clock_.RealMsFor(timer.Interval()));
    if (timer.Enabled() && !terminate_requested_) {
      if (!timer_->isActive() || timer_->interval() != ms) timer_->start(ms);
    } else {
      timer_->stop();
    }
  };
  timer.OnChange(apply);
  apply();
}

void EventLoopPlatform::RunAtTopLevel(std::function<void()> fn) {
  top_level_.push_back(std::move(fn));
  Schedule();
}

}  // namespace wm033
