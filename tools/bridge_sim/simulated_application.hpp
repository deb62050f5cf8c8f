#pragma once

#include "bridge/bridge_records.hpp"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantry::sim {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

struct ActionResult {
  bool known = false;  // false: not one of the bridge's action words
  bool ok = false;     // the application carried it out
  std::string message;
};

// The media application's transport with its library's one clip, free of sockets and of the wall
// clock: every call says what time it is, and time never runs backwards (an earlier time counts as
// the latest one seen).
class SimulatedApplication {
 public:
  static constexpr int countdownSeconds = 3;

  SimulatedApplication(Clock::time_point start, std::uint16_t bridgePort, double clipSeconds = 205.0);

  ActionResult apply(std::string_view word, Clock::time_point now);
  BridgeStatus status(Clock::time_point now);

 private:
  enum class State { stopped, paused, playing };

  // Brings the transport forward to now, or to the latest time seen when that is later, and
  // returns that time: a finished countdown starts playback, playback moves the position and
  // loops or stops at the clip's end.
  Clock::time_point settle(Clock::time_point now);
  void play(Clock::time_point from);
  void stop();
  double positionAt(Clock::time_point now) const;

  std::uint16_t bridgePort_;
  double clipSeconds_;
  bool cued_ = true;  // the clip is loaded; an eject unloads it
  State state_ = State::stopped;
  double position_ = 0;            // at playAnchor_ while playing, else the position itself
  Clock::time_point playAnchor_;   // when position_ was last taken while playing
  std::optional<Clock::time_point> countdownEnds_;
  bool endlessLoop_ = false;
  Clock::time_point latest_;
};

}  // namespace vantry::sim
