#include "platform/repeating_timer.hpp"

namespace vantry {

std::shared_ptr<RepeatingTimer> RepeatingTimer::create(boost::asio::io_context& context, Clock::duration firstDelay,
                                                       Clock::duration interval, std::function<void()> tick) {
  return std::shared_ptr<RepeatingTimer>(new RepeatingTimer(context, firstDelay, interval, std::move(tick)));
}

RepeatingTimer::RepeatingTimer(boost::asio::io_context& context, Clock::duration firstDelay, Clock::duration interval,
                               std::function<void()> tick)
    : timer_(context), firstDelay_(firstDelay), interval_(interval), tick_(std::move(tick)) {}

void RepeatingTimer::resume() {
  if (started_) return;
  started_ = true;
  due_ = Clock::now() + firstDelay_;
  waitForDue();
}

void RepeatingTimer::waitForDue() {
  timer_.expires_at(due_);
  // Held weakly so that dropping the timer ends the ticking.
  timer_.async_wait([weak = weak_from_this()](const boost::system::error_code& error) {
    auto self = weak.lock();
    if (!self || error) return;
    self->fired();
  });
}

void RepeatingTimer::fired() {
  due_ += interval_;
  const auto now = Clock::now();
  if (due_ <= now) {
    // Stay on the grid: jump to the first due time still ahead.
    const auto missed = (now - due_) / interval_ + 1;
    due_ += missed * interval_;
  }
  waitForDue();
  tick_();
}

}  // namespace vantry
