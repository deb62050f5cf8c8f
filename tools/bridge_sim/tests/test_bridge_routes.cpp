#include "bridge_routes.hpp"

#include "bridge/bridge_records.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vantry::sim {
namespace {

struct RouteCase {
  std::string name;
  std::string method;
  std::string target;
  unsigned code;
  bool ok;             // the reply's "ok"
  bool carriesStatus;  // an action reply with the full record
};

class Routes : public ::testing::TestWithParam<RouteCase> {};

TEST_P(Routes, AnswerDecodesAsThePluginReadsIt) {
  const auto& c = GetParam();
  const auto now = Clock::now();
  SimulatedApplication app(now, 48187);
  const auto answer = answerRequest(app, c.method, c.target, now);
  EXPECT_EQ(answer.code, c.code);
  const auto reply = decodeBridgeActionResponse(answer.body);
  ASSERT_TRUE(reply.has_value()) << answer.body;
  EXPECT_EQ(reply->ok, c.ok);
  EXPECT_FALSE(reply->message.empty());
  EXPECT_EQ(reply->status.has_value(), c.carriesStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Routes,
    ::testing::Values(RouteCase{"play_pause", "GET", "/action?action=play_pause", 200, true, true},
                      RouteCase{"stop", "GET", "/action?action=stop", 200, true, true},
                      RouteCase{"backward_10", "GET", "/action?action=backward_10", 200, true, true},
                      RouteCase{"forward_10", "GET", "/action?action=forward_10", 200, true, true},
                      RouteCase{"sync_start", "GET", "/action?action=sync_start", 200, true, true},
                      RouteCase{"eject", "GET", "/action?action=eject", 200, true, true},
                      RouteCase{"loop_toggle", "GET", "/action?action=loop_toggle", 200, true, true},
                      RouteCase{"word_among_other_keys", "GET", "/action?x=1&action=stop", 200, true, true},
                      RouteCase{"unknown_word", "GET", "/action?action=rewind", 400, false, false},
                      RouteCase{"empty_word", "GET", "/action?action=", 400, false, false},
                      RouteCase{"no_word", "GET", "/action", 400, false, false},
                      RouteCase{"other_path", "GET", "/play", 404, false, false},
                      RouteCase{"status_below", "GET", "/status/more", 404, false, false},
                      RouteCase{"post", "POST", "/action?action=stop", 405, false, false},
                      RouteCase{"head", "HEAD", "/status", 405, false, false}),
    [](const auto& testInfo) { return testInfo.param.name; });

TEST(Routes, StatusIsTheFullRecord) {
  const auto now = Clock::now();
  SimulatedApplication app(now, 48187);
  for (const std::string target : {"/status", "/status?since=1"}) {
    const auto answer = answerRequest(app, "GET", target, now);
    EXPECT_EQ(answer.code, 200u);
    const auto status = decodeBridgeStatus(answer.body);
    ASSERT_TRUE(status.has_value()) << answer.body;
    EXPECT_EQ(status->bridgePort, 48187);
    EXPECT_EQ(status->selectedClipTitle, std::optional<std::string>("Opening Titles"));
  }
}

TEST(Routes, ActionReplyShowsTheStateAfterTheWord) {
  const auto now = Clock::now();
  SimulatedApplication app(now, 48187);
  const auto reply = decodeBridgeActionResponse(answerRequest(app, "GET", "/action?action=eject", now).body);
  ASSERT_TRUE(reply && reply->status);
  EXPECT_FALSE(reply->status->selectedClipID.has_value());
  EXPECT_EQ(reply->status->duration, 0.0);
  // A refused word still answers 200 with the record, and "ok" false.
  const auto refused = answerRequest(app, "GET", "/action?action=forward_10", now);
  EXPECT_EQ(refused.code, 200u);
  const auto decoded = decodeBridgeActionResponse(refused.body);
  ASSERT_TRUE(decoded && decoded->status);
  EXPECT_FALSE(decoded->ok);
}

}  // namespace
}  // namespace vantry::sim
