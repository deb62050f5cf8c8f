#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

#include <array>
#include <chrono>
#include <functional>
#include <memory>

namespace vantry {

// A repeating timer on a fixed grid: tick k is due at start + firstDelay + k * interval, however
// long earlier ticks took. Ticks missed while the process was stalled are skipped, not replayed
// in a burst. Destroying the timer stops it.
class RepeatingTimer : public std::enable_shared_from_this<RepeatingTimer> {
 public:
  using Clock = std::chrono::steady_clock;

  static std::shared_ptr<RepeatingTimer> create(boost::asio::io_context& context, Clock::duration firstDelay,
                                                Clock::duration interval, std::function<void()> tick);

  void resume();

 private:
  RepeatingTimer(boost::asio::io_context& context, Clock::duration firstDelay, Clock::duration interval,
                 std::function<void()> tick);
  void waitFor(std::size_t which);
  void fired(std::size_t which);

  // Two timers take turns, the next tick always armed while one fires: the system's timer then
  // moves once a tick, straight to the next one, not to nothing and back.
  std::array<boost::asio::steady_timer, 2> timers_;
  std::array<Clock::time_point, 2> due_{};
  Clock::duration firstDelay_;
  Clock::duration interval_;
  std::function<void()> tick_;
  bool started_ = false;
};

}  // namespace vantry
