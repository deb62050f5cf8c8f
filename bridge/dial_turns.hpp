#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

namespace vantry {

// The seek commands of one transport dial: each tick one command, clockwise forward and
// anticlockwise back, sent one after the other so that the application seeks in the order of the
// ticks. At most `limit` are waiting or in flight, so a fast spin cannot queue a minute of
// seeking; a run ends with the reply to its last command, or with the first failure, since
// seeking on after a failure only adds failures.
class DialTurns {
 public:
  static constexpr std::size_t limit = 8;

  // Queues the ticks' commands that fit; the command to send now when none was in flight.
  std::optional<std::string_view> turn(std::int64_t ticks);
  // The reply to the command in flight: the next command to send, or nothing when the run is over.
  std::optional<std::string_view> replied(bool succeeded);

 private:
  std::optional<std::string_view> sendNext();

  std::deque<std::string_view> waiting_;
  bool inFlight_ = false;
};

}  // namespace vantry
