#include "bridge_routes.hpp"

#include "bridge/bridge_records.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <tuple>
#include <vector>

using namespace vantry;
using namespace vantry::sim;

constexpr double clipLength = 30.0;  // seconds; the rows count on it
enum Outcome { done, refused, unknown };

struct Step { double at; std::string word; Outcome outcome = done; };  // seconds after start
// Words at given times, then what the status shows at checkAt: the state, the position, then
// "countdown N", "can-start", "loop" and "no-clip" when they hold.
struct TransportCase { std::string name; std::vector<Step> steps; double checkAt; std::string shows; };

TEST(Transport, StatusAfterWords) {
  const TransportCase cases[] = {
      {"initially_stopped_with_clip", {}, 10, "stopped 0 can-start"},
      {"play_advances_in_time", {{0, "play_pause"}}, 5, "playing 5"},
      {"second_press_pauses", {{0, "play_pause"}, {5, "play_pause"}}, 9, "paused 5 can-start"},
      {"forward_while_stopped", {{0, "forward_10"}}, 3, "stopped 10 can-start"},
      {"forward_clamps_at_end", {{0, "forward_10"}, {0, "forward_10"}, {0, "forward_10"}, {0, "forward_10"}}, 1,
       "stopped 30 can-start"},
      {"back_clamps_at_zero", {{0, "forward_10"}, {1, "backward_10"}, {2, "backward_10"}}, 3, "stopped 0 can-start"},
      {"stop_rewinds", {{0, "play_pause"}, {12, "stop"}}, 15, "stopped 0 can-start"},
      {"end_without_loop_stops_there", {{0, "play_pause"}}, 40, "stopped 30 can-start"},
      {"end_with_loop_wraps", {{0, "loop_toggle"}, {0, "play_pause"}}, 40, "playing 10 loop"},
      {"play_at_end_starts_over", {{0, "play_pause"}, {35, "play_pause"}}, 37, "playing 2"},
      {"forward_past_end_playing_stops", {{0, "play_pause"}, {25, "forward_10"}}, 26, "stopped 30 can-start"},
      {"countdown_3_before_a_second", {{0, "sync_start"}}, 0.99, "stopped 0 countdown 3"},
      {"countdown_2_after_it", {{0, "sync_start"}}, 1.0, "stopped 0 countdown 2"},
      {"countdown_1_in_the_third", {{0, "sync_start"}}, 2.5, "stopped 0 countdown 1"},
      {"countdown_ends_playing", {{0, "sync_start"}}, 3.0, "playing 0"},
      {"playing_runs_from_countdown_end", {{0, "sync_start"}}, 5.5, "playing 2.5"},
      {"countdown_keeps_cued_position", {{0, "forward_10"}, {0, "sync_start"}}, 4, "playing 11"},
      {"stop_cancels_countdown", {{0, "sync_start"}, {1, "stop"}}, 5, "stopped 0 can-start"},
      {"eject_clears_clip", {{0, "play_pause"}, {5, "eject"}}, 8, "stopped 0 no-clip"},
      {"eject_cancels_countdown", {{0, "sync_start"}, {1, "eject"}}, 5, "stopped 0 no-clip"},
      {"play_after_eject_cues_the_clip", {{0, "eject"}, {1, "play_pause"}}, 3, "playing 2"},
      {"loop_toggle_twice_off", {{0, "loop_toggle"}, {1, "loop_toggle"}}, 2, "stopped 0 can-start"},
      // Refused words answer not ok and change nothing; unknown ones are no actions at all.
      {"sync_while_playing_refused", {{0, "play_pause"}, {1, "sync_start", refused}}, 2, "playing 2"},
      {"sync_during_countdown_refused", {{0, "sync_start"}, {1, "sync_start", refused}}, 1.5, "stopped 0 countdown 2"},
      {"without_clip_refused",
       {{0, "eject"}, {0, "forward_10", refused}, {0, "sync_start", refused}, {0, "eject", refused}}, 1,
       "stopped 0 no-clip"},
      {"unknown_words", {{0, "", unknown}, {0, "Play_Pause", unknown}, {0, "play_pause ", unknown}}, 1,
       "stopped 0 can-start"},
      // A status asked for with a time earlier than the last word's shows the latest state.
      {"earlier_time_counts_as_latest", {{0, "play_pause"}, {5, "rewind", unknown}}, 2, "playing 5"},
  };
  const auto start = Clock::time_point{} + std::chrono::hours(1);
  const auto at = [&](double seconds) { return start + std::chrono::duration_cast<Clock::duration>(Seconds(seconds)); };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedApplication app(start, 40000, clipLength);
    for (const auto& step : c.steps) {
      const auto result = app.apply(step.word, at(step.at));
      EXPECT_EQ(std::make_tuple(result.known, result.ok, result.message.empty()),
                std::make_tuple(step.outcome != unknown, step.outcome == done, false)) << step.word;
    }
    // What the plugin reads back is what counts.
    const auto s = decodeBridgeStatus(answerRequest(app, "GET", "/status", at(c.checkAt)).body());
    ASSERT_TRUE(s.has_value());
    std::ostringstream shows;  // the position to six significant digits
    shows << s->playbackState << ' ' << s->currentTime;
    if (s->syncStartCountdownSecondsRemaining != 0) shows << " countdown " << s->syncStartCountdownSecondsRemaining;
    shows << (s->canStartPlaybackNow ? " can-start" : "") << (s->endlessLoopEnabled ? " loop" : "")
          << (s->selectedClipID ? "" : " no-clip");
    EXPECT_EQ(shows.str(), c.shows);
    EXPECT_EQ(std::make_tuple(s->selectedClipTitle.has_value(), s->duration, s->bridgePort),
              std::make_tuple(s->selectedClipID.has_value(), s->selectedClipID ? clipLength : 0.0, 40000));
  }
}

TEST(Routes, EveryAnswerDecodesAsThePluginReadsIt) {
  // In turn on one application; the clip the record shows: nullptr for no record, "" for no clip.
  const std::tuple<const char*, const char*, unsigned, bool, const char*> cases[] = {
      {"GET", "/status", 200, true, "Opening Titles"}, {"GET", "/status?since=1", 200, true, "Opening Titles"},
      {"GET", "/action?x=1&action=stop", 200, true, "Opening Titles"},
      {"GET", "/action?action=rewind", 400, false, nullptr}, {"GET", "/action", 400, false, nullptr},
      {"GET", "/play", 404, false, nullptr}, {"POST", "/action?action=stop", 405, false, nullptr},
      {"HEAD", "/status", 405, false, nullptr}, {"GET", "/action?action=eject", 200, true, ""},
      {"GET", "/action?action=forward_10", 200, false, ""},  // refused without a clip
  };
  const auto now = Clock::now();
  SimulatedApplication app(now, 48187);
  for (const auto& [method, target, code, ok, clip] : cases) {
    const auto answer = answerRequest(app, method, target, now);
    auto reply = std::string_view(target).starts_with("/status") && code == 200
                     ? std::optional<BridgeActionResponse>({true, "status", decodeBridgeStatus(answer.body())})
                     : decodeBridgeActionResponse(answer.body());
    ASSERT_TRUE(reply.has_value()) << answer.body();
    const auto& record = reply->status;
    EXPECT_EQ(std::make_tuple(answer.result_int(), reply->ok, reply->message.empty(), record.has_value(),
                              record ? record->selectedClipTitle.value_or("") : "",
                              record ? record->bridgePort : 48187),
              std::make_tuple(code, ok, false, clip != nullptr, clip ? clip : "", 48187))
        << method << " " << target << ": " << answer.body();
  }
}

// The kit's parsing with the simulator's options: "--name value" and "--name=value" alike; a bad
// one is named in the message.
TEST(SimOptions, ValuesAndBadArguments) {
  const auto describe = [](const std::vector<std::string>& arguments) -> std::string {
    SimOptions o;
    const auto parsed = kit::parseArguments(arguments, simOptions(o));
    if (parsed.help) return "help";
    if (!parsed.problem.empty()) return "bad: " + parsed.problem;
    return std::to_string(o.port) + " " + std::to_string(o.latency.count()) + " " + std::to_string(o.failPercent) + " " +
           std::to_string(o.hangPercent) + " " + (o.seed ? std::to_string(*o.seed) : "-") + (o.verbose ? " verbose" : "");
  };
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "48187 0 0 0 -"},
      {{"--port", "0", "--latency=250", "--fail-percent", "30", "--hang-percent=100", "--seed", "4294967295",
        "--verbose"},
       "0 250 30 100 4294967295 verbose"},
      {{"--port", "1", "--help"}, "help"}, {{"-h"}, "help"},
      {{"--port", "65536"}, "bad: --port"}, {{"--port", "80x"}, "bad: --port"},
      {{"--port"}, "bad: --port"}, {{"--port="}, "bad: --port"},
      {{"--latency", "600001"}, "bad: --latency"}, {{"--fail-percent", "101"}, "bad: --fail-percent"},
      {{"--verbose=1"}, "bad: --verbose"}, {{"--hang-percent", "2.5"}, "bad: --hang-percent"},
      {{"--seed", "4294967296"}, "bad: --seed"}, {{"--colour"}, "bad: --colour"},
  };
  for (const auto& [arguments, want] : cases) {
    const auto got = describe(arguments);
    const bool bad = want.starts_with("bad: ");
    EXPECT_TRUE(bad ? got.starts_with("bad: ") && got.find(want.substr(5), 5) != std::string::npos : got == want)
        << (arguments.empty() ? "(none)" : arguments.front()) << ": " << got;
  }
}
