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
  // The dial has left the deck: its run ends and its waiting ticks go. A command still in flight
  // belongs to the ended run, and the next run's first command waits for its reply, so that the
  // application never has two seeks of one dial at once.
  void endRun();
  // The run a command sent now belongs to.
  std::uint64_t run() const { return run_; }
  // The reply to the command in flight, sent in `run`: the next command to send, or nothing when
  // nothing waits. Only a failure in the current run ends it.
  std::optional<std::string_view> replied(std::uint64_t run, bool succeeded);
  // Nothing in flight and nothing waiting.
  bool idle() const { return !inFlight_ && waiting_.empty(); }

 private:
  std::optional<std::string_view> sendNext();

  std::deque<std::string_view> waiting_;
  bool inFlight_ = false;
  std::uint64_t run_ = 0;
};

}  // namespace vantry
