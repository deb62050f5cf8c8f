#include "simulated_application.hpp"

#include <algorithm>
#include <cmath>

namespace vantry::sim {

SimulatedApplication::SimulatedApplication(Clock::time_point start, std::uint16_t bridgePort, Clip clip)
    : bridgePort_(bridgePort), library_(clip), loaded_(std::move(clip)), latest_(start) {}

Clip SimulatedApplication::demoClip() { return {"clip-0001", "Opening Titles", 205.0}; }

double SimulatedApplication::positionAt(Clock::time_point now) const {
  if (state_ != State::playing) return position_;
  return position_ + std::chrono::duration_cast<Seconds>(now - playAnchor_).count();
}

void SimulatedApplication::play(Clock::time_point from) {
  if (loaded_ && position_ >= loaded_->duration) position_ = 0;  // a clip at its end plays again from the top
  state_ = State::playing;
  playAnchor_ = from;
}

void SimulatedApplication::pauseAt(Clock::time_point now) {
  position_ = positionAt(now);
  state_ = State::paused;
}

void SimulatedApplication::settle(Clock::time_point now) {
  if (countdownEnds_ && *countdownEnds_ <= now) {
    const auto ends = *countdownEnds_;
    countdownEnds_.reset();
    play(ends);
  }
  if (state_ != State::playing || !loaded_) return;
  const double duration = loaded_->duration;
  const double position = positionAt(now);
  if (position < duration) return;
  if (endlessLoop_ && duration > 0) {
    position_ = std::fmod(position, duration);
  } else {
    position_ = duration;
    state_ = State::stopped;
  }
  playAnchor_ = now;
}

void SimulatedApplication::seekBy(double seconds, Clock::time_point now) {
  const double target = std::clamp(positionAt(now) + seconds, 0.0, loaded_->duration);
  position_ = target;
  playAnchor_ = now;
  // A playing clip pushed to its end stops or loops there, as if it had played to it.
  settle(now);
}

ActionResult SimulatedApplication::apply(std::string_view word, Clock::time_point now) {
  now = std::max(now, latest_);
  latest_ = now;
  settle(now);
  const auto done = [](std::string message) { return ActionResult{true, true, std::move(message)}; };
  const auto refused = [](std::string message) { return ActionResult{true, false, std::move(message)}; };

  if (word == "loop_toggle") {
    endlessLoop_ = !endlessLoop_;
    return done(endlessLoop_ ? "Endless loop on" : "Endless loop off");
  }
  if (word == "stop") {
    countdownEnds_.reset();
    state_ = State::stopped;
    position_ = 0;
    return done("Stopped");
  }
  if (word == "play_pause") {
    if (!loaded_) {
      // Play with nothing cued takes the library's first clip, so a show can go on after an eject.
      loaded_ = library_;
      position_ = 0;
      play(now);
      return done("Cued and playing \"" + loaded_->title + "\"");
    }
    if (state_ == State::playing) {
      pauseAt(now);
      return done("Paused");
    }
    countdownEnds_.reset();
    play(now);
    return done("Playing");
  }
  const bool isKnown = word == "backward_10" || word == "forward_10" || word == "sync_start" || word == "eject";
  if (!isKnown) return {false, false, "Unknown action \"" + std::string(word) + "\""};
  if (!loaded_) return refused("No clip loaded");

  if (word == "backward_10" || word == "forward_10") {
    seekBy(word == "forward_10" ? 10.0 : -10.0, now);
    return done(word == "forward_10" ? "Forward 10 seconds" : "Back 10 seconds");
  }
  if (word == "sync_start") {
    if (state_ == State::playing) return refused("Already playing");
    if (countdownEnds_) return refused("Countdown already running");
    countdownEnds_ = now + std::chrono::seconds(countdownSeconds);
    return done("Sync start in 3");
  }
  // eject
  loaded_.reset();
  countdownEnds_.reset();
  state_ = State::stopped;
  position_ = 0;
  return done("Ejected");
}

BridgeStatus SimulatedApplication::status(Clock::time_point now) {
  now = std::max(now, latest_);
  latest_ = now;
  settle(now);
  BridgeStatus s;
  s.bridgeEnabled = true;
  s.bridgePort = bridgePort_;
  s.appName = "Vantry Pro";
  s.bundleIdentifier = "vesk.quillfern.vantrypro";
  s.role = "primary";
  s.playbackState = state_ == State::playing ? "playing" : state_ == State::paused ? "paused" : "stopped";
  if (loaded_) {
    s.selectedClipID = loaded_->id;
    s.selectedClipTitle = loaded_->title;
    s.duration = loaded_->duration;
  }
  s.currentTime = positionAt(now);
  if (countdownEnds_) {
    // Whole seconds left, rounded up: 3 for the first second, then 2, then 1.
    const double left = std::chrono::duration_cast<Seconds>(*countdownEnds_ - now).count();
    s.syncStartCountdownSecondsRemaining = std::clamp<std::int64_t>(static_cast<std::int64_t>(std::ceil(left)), 1, countdownSeconds);
  }
  s.canStartPlaybackNow = loaded_.has_value() && state_ != State::playing && !countdownEnds_;
  s.libraryCount = 12;
  s.playlistCount = 3;
  s.connectedVisionClients = 1;
  s.endlessLoopEnabled = endlessLoop_;
  s.uploadReadyCount = 12;
  s.uploadTotalCount = 12;
  s.uploadProgressFraction = 1.0;
  return s;
}

}  // namespace vantry::sim
