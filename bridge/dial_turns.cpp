#include "bridge/dial_turns.hpp"

#include "render/deck_action_kind.hpp"

#include <algorithm>

namespace vantry {

std::optional<std::string_view> DialTurns::turn(std::int64_t ticks) {
  const auto command = *bridgeCommand(ticks > 0 ? DeckActionKind::forward10 : DeckActionKind::back10);
  const std::size_t held = waiting_.size() + (inFlight_ ? 1 : 0);
  // Bounded first: the count comes from the host, and its negation could overflow.
  const auto bounded = std::clamp<std::int64_t>(ticks, -std::int64_t{limit}, std::int64_t{limit});
  const auto wanted = static_cast<std::size_t>(bounded < 0 ? -bounded : bounded);
  waiting_.insert(waiting_.end(), std::min(wanted, limit - held), command);
  return inFlight_ ? std::nullopt : sendNext();
}

void DialTurns::endRun() {
  waiting_.clear();
  ++run_;
}

std::optional<std::string_view> DialTurns::replied(std::uint64_t run, bool succeeded) {
  inFlight_ = false;
  if (!succeeded && run == run_) waiting_.clear();
  return sendNext();
}

std::optional<std::string_view> DialTurns::sendNext() {
  if (waiting_.empty()) return std::nullopt;
  inFlight_ = true;
  const auto command = waiting_.front();
  waiting_.pop_front();
  return command;
}

}  // namespace vantry
