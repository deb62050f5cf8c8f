#include "bridge_replies_json.hpp"
#include "simulated_application.hpp"

#include "bridge/bridge_records.hpp"

#include <boost/json/serialize.hpp>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace vantry::sim {
namespace {

constexpr double clipLength = 30.0;

struct Step {
  double at;  // seconds after start
  std::string word;
};

struct Expected {
  std::string state;
  double position;
  std::int64_t countdown = 0;
  bool clip = true;
  bool loop = false;
  bool canStart = false;
};

struct TransportCase {
  std::string name;
  std::vector<Step> steps;
  double checkAt;
  Expected expected;
};

Clock::time_point at(Clock::time_point start, double seconds) {
  return start + std::chrono::duration_cast<Clock::duration>(Seconds(seconds));
}

class Transport : public ::testing::TestWithParam<TransportCase> {};

TEST_P(Transport, StatusAfterWords) {
  const auto& c = GetParam();
  const auto start = Clock::time_point{} + std::chrono::hours(1);
  SimulatedApplication app(start, 40000, Clip{"clip-t", "Test Clip", clipLength});
  for (const auto& step : c.steps) {
    const auto result = app.apply(step.word, at(start, step.at));
    EXPECT_TRUE(result.known) << step.word;
  }
  const auto status = app.status(at(start, c.checkAt));

  // What the plugin reads back is what counts.
  const auto decoded = decodeBridgeStatus(boost::json::serialize(statusJson(status)));
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->playbackState, c.expected.state);
  EXPECT_NEAR(decoded->currentTime, c.expected.position, 1e-6);
  EXPECT_EQ(decoded->syncStartCountdownSecondsRemaining, c.expected.countdown);
  EXPECT_EQ(decoded->selectedClipID.has_value(), c.expected.clip);
  EXPECT_EQ(decoded->selectedClipTitle.has_value(), c.expected.clip);
  EXPECT_EQ(decoded->duration, c.expected.clip ? clipLength : 0.0);
  EXPECT_EQ(decoded->endlessLoopEnabled, c.expected.loop);
  EXPECT_EQ(decoded->canStartPlaybackNow, c.expected.canStart);
  EXPECT_EQ(decoded->bridgePort, 40000);
}

INSTANTIATE_TEST_SUITE_P(
    Words, Transport,
    ::testing::Values(
        TransportCase{"initially_stopped_with_clip", {}, 10, {"stopped", 0, 0, true, false, true}},
        TransportCase{"play_advances_in_time", {{0, "play_pause"}}, 5, {"playing", 5}},
        TransportCase{"second_press_pauses", {{0, "play_pause"}, {5, "play_pause"}}, 9, {"paused", 5, 0, true, false, true}},
        TransportCase{"forward_while_stopped", {{0, "forward_10"}}, 3, {"stopped", 10, 0, true, false, true}},
        TransportCase{"forward_clamps_at_end",
                      {{0, "forward_10"}, {0, "forward_10"}, {0, "forward_10"}, {0, "forward_10"}},
                      1,
                      {"stopped", clipLength, 0, true, false, true}},
        TransportCase{"back_clamps_at_zero", {{0, "forward_10"}, {1, "backward_10"}, {2, "backward_10"}}, 3,
                      {"stopped", 0, 0, true, false, true}},
        TransportCase{"back_while_playing", {{0, "play_pause"}, {14, "backward_10"}}, 16, {"playing", 6}},
        TransportCase{"stop_rewinds", {{0, "play_pause"}, {12, "stop"}}, 15, {"stopped", 0, 0, true, false, true}},
        TransportCase{"end_without_loop_stops_there", {{0, "play_pause"}}, 40, {"stopped", clipLength, 0, true, false, true}},
        TransportCase{"end_with_loop_wraps", {{0, "loop_toggle"}, {0, "play_pause"}}, 40, {"playing", 10, 0, true, true}},
        TransportCase{"loop_off_mid_play_stops_at_next_end",
                      {{0, "loop_toggle"}, {0, "play_pause"}, {40, "loop_toggle"}},
                      65,
                      {"stopped", clipLength, 0, true, false, true}},
        TransportCase{"play_at_end_starts_over", {{0, "play_pause"}, {35, "play_pause"}}, 37, {"playing", 2}},
        TransportCase{"forward_past_end_while_playing_stops", {{0, "play_pause"}, {25, "forward_10"}}, 26,
                      {"stopped", clipLength, 0, true, false, true}},
        TransportCase{"forward_past_end_while_looping_wraps", {{0, "loop_toggle"}, {0, "play_pause"}, {25, "forward_10"}},
                      26, {"playing", 1, 0, true, true}},
        TransportCase{"countdown_shows_3_at_once", {{0, "sync_start"}}, 0, {"stopped", 0, 3}},
        TransportCase{"countdown_still_3_before_a_second", {{0, "sync_start"}}, 0.99, {"stopped", 0, 3}},
        TransportCase{"countdown_2_after_a_second", {{0, "sync_start"}}, 1.0, {"stopped", 0, 2}},
        TransportCase{"countdown_1_in_the_third_second", {{0, "sync_start"}}, 2.5, {"stopped", 0, 1}},
        TransportCase{"countdown_ends_in_playing", {{0, "sync_start"}}, 3.0, {"playing", 0}},
        TransportCase{"playing_runs_from_countdown_end", {{0, "sync_start"}}, 5.5, {"playing", 2.5}},
        TransportCase{"countdown_keeps_cued_position", {{0, "forward_10"}, {0, "sync_start"}}, 4, {"playing", 11}},
        TransportCase{"stop_cancels_countdown", {{0, "sync_start"}, {1, "stop"}}, 5, {"stopped", 0, 0, true, false, true}},
        TransportCase{"eject_clears_clip", {{0, "play_pause"}, {5, "eject"}}, 8, {"stopped", 0, 0, false, false, false}},
        TransportCase{"eject_cancels_countdown", {{0, "sync_start"}, {1, "eject"}}, 5, {"stopped", 0, 0, false}},
        TransportCase{"play_after_eject_cues_the_clip", {{0, "eject"}, {1, "play_pause"}}, 3, {"playing", 2}},
        TransportCase{"loop_toggle_on", {{0, "loop_toggle"}}, 1, {"stopped", 0, 0, true, true, true}},
        TransportCase{"loop_toggle_twice_off", {{0, "loop_toggle"}, {1, "loop_toggle"}}, 2,
                      {"stopped", 0, 0, true, false, true}}),
    [](const auto& testInfo) { return testInfo.param.name; });

struct RefusalCase {
  std::string name;
  std::vector<std::string> before;
  std::string word;
};

class Refusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusals, AnswerNotOkAndChangeNothing) {
  const auto& c = GetParam();
  const auto start = Clock::time_point{} + std::chrono::hours(1);
  SimulatedApplication app(start, 40000, Clip{"clip-t", "Test Clip", clipLength});
  for (const auto& word : c.before) app.apply(word, start);
  const auto before = boost::json::serialize(statusJson(app.status(start)));
  const auto result = app.apply(c.word, start);
  EXPECT_TRUE(result.known);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.message.empty());
  EXPECT_EQ(boost::json::serialize(statusJson(app.status(start))), before);
}

INSTANTIATE_TEST_SUITE_P(Words, Refusals,
                         ::testing::Values(RefusalCase{"sync_while_playing", {"play_pause"}, "sync_start"},
                                           RefusalCase{"sync_during_countdown", {"sync_start"}, "sync_start"},
                                           RefusalCase{"seek_without_clip", {"eject"}, "forward_10"},
                                           RefusalCase{"sync_without_clip", {"eject"}, "sync_start"},
                                           RefusalCase{"eject_without_clip", {"eject"}, "eject"}),
                         [](const auto& testInfo) { return testInfo.param.name; });

TEST(SimulatedApplication, UnknownWordIsNotAnAction) {
  const auto start = Clock::now();
  SimulatedApplication app(start, 1);
  for (const std::string word : {"", "Play_Pause", "rewind", "play_pause "}) {
    const auto result = app.apply(word, start);
    EXPECT_FALSE(result.known) << word;
    EXPECT_FALSE(result.ok) << word;
  }
  EXPECT_EQ(app.status(start).playbackState, "stopped");
}

TEST(SimulatedApplication, EarlierTimeCountsAsLatest) {
  const auto start = Clock::time_point{} + std::chrono::hours(1);
  SimulatedApplication app(start, 1, Clip{"c", "C", clipLength});
  app.apply("play_pause", start);
  EXPECT_NEAR(app.status(at(start, 5)).currentTime, 5, 1e-6);
  EXPECT_NEAR(app.status(at(start, 2)).currentTime, 5, 1e-6);
}

TEST(SimulatedApplication, DemoClipIsAFewMinutes) {
  const auto start = Clock::now();
  SimulatedApplication app(start, 48187);
  const auto status = app.status(start);
  EXPECT_EQ(status.duration, 205.0);
  EXPECT_TRUE(status.selectedClipID && !status.selectedClipID->empty());
  EXPECT_TRUE(status.selectedClipTitle && !status.selectedClipTitle->empty());
}

}  // namespace
}  // namespace vantry::sim
