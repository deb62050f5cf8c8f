#include "platform/repeating_timer.hpp"

namespace vantry {

std::shared_ptr<RepeatingTimer> RepeatingTimer::create(boost::asio::io_context& context, Clock::duration firstDelay,
                                                       Clock::duration interval, std::function<void()> tick) {
  return std::shared_ptr<RepeatingTimer>(new RepeatingTimer(context, firstDelay, interval, std::move(tick)));
}

RepeatingTimer::RepeatingTimer(boost::asio::io_context& context, Clock::duration firstDelay, Clock::duration interval,
                               std::function<void()> tick)
    : timers_{boost::asio::steady_timer(context), boost::asio::steady_timer(context)},
      firstDelay_(firstDelay),
      interval_(interval),
      tick_(std::move(tick)) {}

void RepeatingTimer::resume() {
  if (started_) return;
  started_ = true;
  due_[0] = Clock::now() + firstDelay_;
  due_[1] = due_[0] + interval_;
  waitFor(0);
  waitFor(1);
}

void RepeatingTimer::waitFor(std::size_t which) {
  timers_[which].expires_at(due_[which]);
  // Held weakly so that dropping the timer ends the ticking.
  timers_[which].async_wait([weak = weak_from_this(), which](const boost::system::error_code& error) {
    auto self = weak.lock();
    if (!self || error) return;
    self->fired(which);
  });
}

void RepeatingTimer::fired(std::size_t which) {
  const auto other = 1 - which;
  const auto now = Clock::now();
  if (due_[other] <= now) {
    // Stay on the grid: the next tick too is past, so it moves to the first due time still ahead.
    const auto missed = (now - due_[other]) / interval_ + 1;
    due_[other] += missed * interval_;
    waitFor(other);
  }
  due_[which] = due_[other] + interval_;
  waitFor(which);
  tick_();
}

}  // namespace vantry
