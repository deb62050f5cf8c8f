#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>

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
  void waitForDue();
  void fired();

  boost::asio::steady_timer timer_;
  Clock::duration firstDelay_;
  Clock::duration interval_;
  std::function<void()> tick_;
  Clock::time_point due_{};
  bool started_ = false;
};

}  // namespace vantry
