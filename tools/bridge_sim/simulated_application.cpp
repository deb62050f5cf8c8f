#include "simulated_application.hpp"

#include <algorithm>
#include <cmath>

namespace vantry::sim {

SimulatedApplication::SimulatedApplication(Clock::time_point start, std::uint16_t bridgePort, double clipSeconds)
    : bridgePort_(bridgePort), clipSeconds_(clipSeconds), latest_(start) {}

double SimulatedApplication::positionAt(Clock::time_point now) const {
  if (state_ != State::playing) return position_;
  return position_ + Seconds(now - playAnchor_).count();
}

void SimulatedApplication::play(Clock::time_point from) {
  if (position_ >= clipSeconds_) position_ = 0;  // a clip at its end plays again from the top
  state_ = State::playing;
  playAnchor_ = from;
}

void SimulatedApplication::stop() {
  countdownEnds_.reset();
  state_ = State::stopped;
  position_ = 0;
}

Clock::time_point SimulatedApplication::settle(Clock::time_point now) {
  latest_ = now = std::max(now, latest_);
  if (countdownEnds_ && *countdownEnds_ <= now) {
    play(*countdownEnds_);
    countdownEnds_.reset();
  }
  const double position = positionAt(now);
  if (state_ != State::playing || position < clipSeconds_) return now;
  const bool loops = endlessLoop_ && clipSeconds_ > 0;
  position_ = loops ? std::fmod(position, clipSeconds_) : clipSeconds_;
  if (!loops) state_ = State::stopped;
  playAnchor_ = now;
  return now;
}

ActionResult SimulatedApplication::apply(std::string_view word, Clock::time_point now) {
  now = settle(now);
  const auto done = [](std::string message) { return ActionResult{true, true, std::move(message)}; };
  const auto refused = [](std::string message) { return ActionResult{true, false, std::move(message)}; };

  if (word == "loop_toggle") {
    endlessLoop_ = !endlessLoop_;
    return done(endlessLoop_ ? "Endless loop on" : "Endless loop off");
  }
  if (word == "stop") {
    stop();
    return done("Stopped");
  }
  if (word == "play_pause") {
    if (state_ == State::playing) {
      position_ = positionAt(now);
      state_ = State::paused;
      return done("Paused");
    }
    // Play with nothing cued cues the clip again, so a show can go on after an eject.
    const bool cues = !cued_;
    cued_ = true;
    countdownEnds_.reset();
    play(now);
    return done(cues ? "Cued and playing \"Opening Titles\"" : "Playing");
  }
  const bool seek = word == "backward_10" || word == "forward_10";
  if (!seek && word != "sync_start" && word != "eject") {
    return {false, false, "Unknown action \"" + std::string(word) + "\""};
  }
  if (!cued_) return refused("No clip loaded");

  if (seek) {
    const bool forward = word == "forward_10";
    position_ = std::clamp(positionAt(now) + (forward ? 10.0 : -10.0), 0.0, clipSeconds_);
    playAnchor_ = now;
    settle(now);  // a playing clip pushed to its end stops or loops there, as if it had played to it
    return done(forward ? "Forward 10 seconds" : "Back 10 seconds");
  }
  if (word == "sync_start") {
    if (state_ == State::playing) return refused("Already playing");
    if (countdownEnds_) return refused("Countdown already running");
    countdownEnds_ = now + std::chrono::seconds(countdownSeconds);
    return done("Sync start in 3");
  }
  cued_ = false;  // eject
  stop();
  return done("Ejected");
}

BridgeStatus SimulatedApplication::status(Clock::time_point now) {
  now = settle(now);
  // Whole seconds left of a countdown, rounded up: 3 for the first second, then 2, then 1.
  const double countdown = countdownEnds_ ? std::ceil(Seconds(*countdownEnds_ - now).count()) : 0;
  return {.bridgeEnabled = true, .bridgePort = bridgePort_,
          .appName = "Vantry Pro", .bundleIdentifier = "vesk.quillfern.vantrypro", .role = "primary",
          .playbackState = state_ == State::playing ? "playing" : state_ == State::paused ? "paused" : "stopped",
          .selectedClipID = cued_ ? std::optional<std::string>("clip-0001") : std::nullopt,
          .selectedClipTitle = cued_ ? std::optional<std::string>("Opening Titles") : std::nullopt,
          .currentTime = positionAt(now),
          .duration = cued_ ? clipSeconds_ : 0,
          .canStartPlaybackNow = cued_ && state_ != State::playing && !countdownEnds_,
          .syncStartCountdownSecondsRemaining = static_cast<std::int64_t>(countdown),
          .libraryCount = 12, .playlistCount = 3, .connectedVisionClients = 1,
          .endlessLoopEnabled = endlessLoop_,
          .uploadReadyCount = 12, .uploadTotalCount = 12, .uploadProgressFraction = 1.0};
}

}  // namespace vantry::sim
