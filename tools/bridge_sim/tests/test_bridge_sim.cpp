#include "bridge_replies_json.hpp"
#include "bridge_routes.hpp"
#include "sim_options.hpp"
#include "simulated_application.hpp"

#include "bridge/bridge_records.hpp"

#include <boost/json/serialize.hpp>
#include <gtest/gtest.h>

#include <ostream>
#include <tuple>
#include <vector>

namespace vantry::sim {
namespace {

constexpr double clipLength = 30.0;  // seconds; the rows count on it

enum class Outcome { done, refused, unknown };
using enum Outcome;

struct Step {
  double at;  // seconds after start
  std::string word;
  Outcome outcome = done;
};

// Words at given times, then what the status shows at checkAt.
struct TransportCase {
  std::string name;
  std::vector<Step> steps;
  double checkAt;
  std::string state;
  double position;
  std::int64_t countdown = 0;
  bool canStart = false, loop = false, clip = true;
};

// The case's name, in CTest's list and in failure messages.
void PrintTo(const TransportCase& c, std::ostream* out) { *out << c.name; }

const TransportCase transportCases[] = {
    {"initially_stopped_with_clip", {}, 10, "stopped", 0, 0, true},
    {"play_advances_in_time", {{0, "play_pause"}}, 5, "playing", 5},
    {"second_press_pauses", {{0, "play_pause"}, {5, "play_pause"}}, 9, "paused", 5, 0, true},
    {"forward_while_stopped", {{0, "forward_10"}}, 3, "stopped", 10, 0, true},
    {"forward_clamps_at_end", {{0, "forward_10"}, {0, "forward_10"}, {0, "forward_10"}, {0, "forward_10"}}, 1, "stopped", 30, 0, true},
    {"back_clamps_at_zero", {{0, "forward_10"}, {1, "backward_10"}, {2, "backward_10"}}, 3, "stopped", 0, 0, true},
    {"back_while_playing", {{0, "play_pause"}, {14, "backward_10"}}, 16, "playing", 6},
    {"stop_rewinds", {{0, "play_pause"}, {12, "stop"}}, 15, "stopped", 0, 0, true},
    {"end_without_loop_stops_there", {{0, "play_pause"}}, 40, "stopped", 30, 0, true},
    {"end_with_loop_wraps", {{0, "loop_toggle"}, {0, "play_pause"}}, 40, "playing", 10, 0, false, true},
    {"loop_off_mid_play_stops_at_end", {{0, "loop_toggle"}, {0, "play_pause"}, {40, "loop_toggle"}}, 65, "stopped", 30, 0, true},
    {"play_at_end_starts_over", {{0, "play_pause"}, {35, "play_pause"}}, 37, "playing", 2},
    {"forward_past_end_playing_stops", {{0, "play_pause"}, {25, "forward_10"}}, 26, "stopped", 30, 0, true},
    {"forward_past_end_looping_wraps", {{0, "loop_toggle"}, {0, "play_pause"}, {25, "forward_10"}}, 26, "playing", 1, 0, false, true},
    {"countdown_shows_3_at_once", {{0, "sync_start"}}, 0, "stopped", 0, 3},
    {"countdown_still_3_before_a_second", {{0, "sync_start"}}, 0.99, "stopped", 0, 3},
    {"countdown_2_after_a_second", {{0, "sync_start"}}, 1.0, "stopped", 0, 2},
    {"countdown_1_in_the_third_second", {{0, "sync_start"}}, 2.5, "stopped", 0, 1},
    {"countdown_ends_in_playing", {{0, "sync_start"}}, 3.0, "playing", 0},
    {"playing_runs_from_countdown_end", {{0, "sync_start"}}, 5.5, "playing", 2.5},
    {"countdown_keeps_cued_position", {{0, "forward_10"}, {0, "sync_start"}}, 4, "playing", 11},
    {"stop_cancels_countdown", {{0, "sync_start"}, {1, "stop"}}, 5, "stopped", 0, 0, true},
    {"eject_clears_clip", {{0, "play_pause"}, {5, "eject"}}, 8, "stopped", 0, 0, false, false, false},
    {"eject_cancels_countdown", {{0, "sync_start"}, {1, "eject"}}, 5, "stopped", 0, 0, false, false, false},
    {"play_after_eject_cues_the_clip", {{0, "eject"}, {1, "play_pause"}}, 3, "playing", 2},
    {"loop_toggle_on", {{0, "loop_toggle"}}, 1, "stopped", 0, 0, true, true},
    {"loop_toggle_twice_off", {{0, "loop_toggle"}, {1, "loop_toggle"}}, 2, "stopped", 0, 0, true},
    // Refused words answer not ok and change nothing; unknown ones are no actions at all.
    {"sync_while_playing_refused", {{0, "play_pause"}, {1, "sync_start", refused}}, 2, "playing", 2},
    {"sync_during_countdown_refused", {{0, "sync_start"}, {1, "sync_start", refused}}, 1.5, "stopped", 0, 2},
    {"seek_without_clip_refused", {{0, "eject"}, {0, "forward_10", refused}}, 1, "stopped", 0, 0, false, false, false},
    {"sync_without_clip_refused", {{0, "eject"}, {0, "sync_start", refused}}, 1, "stopped", 0, 0, false, false, false},
    {"eject_without_clip_refused", {{0, "eject"}, {0, "eject", refused}}, 1, "stopped", 0, 0, false, false, false},
    {"unknown_words", {{0, "", unknown}, {0, "Play_Pause", unknown}, {0, "play_pause ", unknown}}, 1, "stopped", 0, 0, true},
    // A status asked for with a time earlier than the last word's shows the latest state.
    {"earlier_time_counts_as_latest", {{0, "play_pause"}, {5, "rewind", unknown}}, 2, "playing", 5},
};

class Transport : public ::testing::TestWithParam<TransportCase> {};

TEST_P(Transport, StatusAfterWords) {
  const auto& c = GetParam();
  const auto start = Clock::time_point{} + std::chrono::hours(1);
  const auto at = [&](double seconds) { return start + std::chrono::duration_cast<Clock::duration>(Seconds(seconds)); };
  SimulatedApplication app(start, 40000, Clip{"clip-t", "Test Clip", clipLength});
  for (const auto& step : c.steps) {
    const auto result = app.apply(step.word, at(step.at));
    EXPECT_EQ(std::make_pair(result.known, result.ok), std::make_pair(step.outcome != unknown, step.outcome == done))
        << step.word;
    EXPECT_FALSE(result.message.empty()) << step.word;
  }
  // What the plugin reads back is what counts.
  const auto s = decodeBridgeStatus(boost::json::serialize(statusJson(app.status(at(c.checkAt)))));
  ASSERT_TRUE(s.has_value());
  EXPECT_NEAR(s->currentTime, c.position, 1e-6);
  EXPECT_EQ(std::tie(s->playbackState, s->syncStartCountdownSecondsRemaining, s->canStartPlaybackNow, s->endlessLoopEnabled),
            std::tie(c.state, c.countdown, c.canStart, c.loop));
  EXPECT_EQ(std::make_tuple(s->selectedClipID.has_value(), s->selectedClipTitle.has_value(), s->duration, s->bridgePort),
            std::make_tuple(c.clip, c.clip, c.clip ? clipLength : 0.0, 40000));
}

INSTANTIATE_TEST_SUITE_P(Words, Transport, ::testing::ValuesIn(transportCases));

TEST(Routes, EveryAnswerDecodesAsThePluginReadsIt) {
  // Method and target; the code, the reply's "ok", and whether it carries the full record. What each
  // word does is the simulated application's part, above.
  const std::tuple<const char*, const char*, unsigned, bool, bool> cases[] = {
      {"GET", "/action?action=play_pause", 200, true, true}, {"GET", "/action?x=1&action=stop", 200, true, true},
      {"GET", "/action?action=rewind", 400, false, false},   {"GET", "/action?action=", 400, false, false},
      {"GET", "/action", 400, false, false},                 {"GET", "/play", 404, false, false},
      {"GET", "/status/more", 404, false, false},            {"POST", "/action?action=stop", 405, false, false},
      {"HEAD", "/status", 405, false, false},
  };
  for (const auto& [method, target, code, ok, carriesStatus] : cases) {
    const auto now = Clock::now();
    SimulatedApplication app(now, 48187);
    const auto answer = answerRequest(app, method, target, now);
    const auto reply = decodeBridgeActionResponse(answer.body);
    ASSERT_TRUE(reply.has_value()) << answer.body;
    EXPECT_EQ(std::make_tuple(answer.code, reply->ok, reply->status.has_value(), reply->message.empty()),
              std::make_tuple(code, ok, carriesStatus, false))
        << method << " " << target;
  }
}

TEST(Routes, StatusIsTheFullRecordAndActionsAnswerWithTheStateAfterThem) {
  const auto now = Clock::now();
  SimulatedApplication app(now, 48187);
  for (const char* target : {"/status", "/status?since=1"}) {
    const auto answer = answerRequest(app, "GET", target, now);
    const auto status = decodeBridgeStatus(answer.body);
    ASSERT_TRUE(status.has_value()) << answer.body;
    // The demo clip lasts a few minutes.
    EXPECT_EQ(std::make_tuple(answer.code, status->bridgePort, status->selectedClipID.value_or("").empty(),
                              status->selectedClipTitle, status->duration),
              std::make_tuple(200u, 48187, false, "Opening Titles", 205.0));
  }
  const auto ejected = decodeBridgeActionResponse(answerRequest(app, "GET", "/action?action=eject", now).body);
  EXPECT_TRUE(ejected && ejected->status && !ejected->status->selectedClipID);
  // A refused word still answers 200 with the record, and "ok" false.
  const auto refused = answerRequest(app, "GET", "/action?action=forward_10", now);
  const auto decoded = decodeBridgeActionResponse(refused.body);
  EXPECT_TRUE(refused.code == 200 && decoded && decoded->status && !decoded->ok) << refused.body;
}

auto fields(const ParsedOptions& parsed) {
  const auto& o = std::get<SimOptions>(parsed);
  return std::make_tuple(o.port, o.latency.count(), o.failPercent, o.hangPercent, o.seed, o.verbose);
}

TEST(SimOptions, DefaultsServeTheBridgePortAndValuesComeSeparateOrInline) {
  EXPECT_EQ(fields(parseOptions({})), std::make_tuple(48187, 0, 0u, 0u, std::optional<std::uint32_t>(), false));
  EXPECT_EQ(fields(parseOptions({"--port", "0", "--latency=250", "--fail-percent", "30", "--hang-percent=100", "--seed",
                                 "4294967295", "--verbose"})),
            std::make_tuple(0, 250, 30u, 100u, std::optional<std::uint32_t>(4294967295u), true));
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(parseOptions({"--port", "1", "--help"})));
  EXPECT_TRUE(std::holds_alternative<HelpRequested>(parseOptions({"-h"})));
}

TEST(SimOptions, BadArgumentsAreNamed) {
  const std::vector<std::vector<std::string>> cases = {
      {"--port", "65536"}, {"--port", "-1"},          {"--port", "80x"},        {"--port"},
      {"--port="},         {"--latency", "600001"},   {"--fail-percent", "101"}, {"--hang-percent", "2.5"},
      {"--seed", "4294967296"}, {"--verbose=1"},      {"--colour"},              {"48187"},
  };
  for (const auto& arguments : cases) {
    const auto parsed = parseOptions(arguments);
    const auto* bad = std::get_if<BadArguments>(&parsed);
    ASSERT_NE(bad, nullptr) << arguments.front();
    const auto name = arguments.front().substr(0, arguments.front().find('='));
    EXPECT_NE(bad->message.find(name), std::string::npos) << bad->message;
  }
}

}  // namespace
}  // namespace vantry::sim
