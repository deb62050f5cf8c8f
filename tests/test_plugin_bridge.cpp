#include "support/plugin_harness.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;

namespace {

boost::json::object playingStatus() {
  auto status = fullStatusObject();
  status["playbackState"] = "playing";
  status["syncStartCountdownSecondsRemaining"] = 2;
  return status;
}

TEST(StatusPolling, TicksStayOnTheirGrid) {
  PluginHarness h;
  const auto started = std::chrono::steady_clock::now();
  h.plugin->start();
  ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") >= 5; }, 6s));
  for (std::size_t k = 0; k < 5; ++k) {
    const auto due = started + 400ms + k * 900ms;
    const auto deviation = std::chrono::duration<double, std::milli>(h.bridge.requests[k].at - due).count();
    EXPECT_LT(std::abs(deviation), 80.0) << "tick " << k;
  }
}

TEST(StatusPolling, ATriggerWhileAPollIsInFlightIsDropped) {
  PluginHarness h([](const std::string& target) {
    auto reply = statusReply();
    if (target == "/status") reply.delay = 600ms;
    return reply;
  });
  ASSERT_TRUE(h.startAndRegister());
  h.host.latest()->send(willAppear("k", DeckActionKind::stop));
  ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") == 1; }));
  h.host.latest()->send(hostEvent("deviceDidConnect"));
  h.host.latest()->send(hostEvent("applicationDidLaunch"));
  h.host.latest()->send(willAppear("r", DeckActionKind::runtime));
  ASSERT_TRUE(h.until([&] { return h.countOn("setImage") == 2; }));
  h.host.latest()->send(R"({"event":"keyDown","context":"r"})");
  ASSERT_TRUE(h.until([&] { return h.plugin->latestStatus.has_value(); }));
  EXPECT_EQ(h.bridge.count("/status"), 1u);
  EXPECT_FALSE(h.plugin->isPollingStatus);
  // One reply, one redraw of both keys.
  ASSERT_TRUE(h.until([&] { return h.countOn("setImage") == 4; }));
}

TEST(StatusPolling, EveryPollRedrawsFromTheLatestStatusAndFailureForgetsIt) {
  unsigned code = 200;
  PluginHarness h([&](const std::string&) {
    return ScriptedReply{httpResponse(code, boost::json::serialize(playingStatus()))};
  });
  ASSERT_TRUE(h.startAndRegister());
  h.host.latest()->send(willAppear("p", DeckActionKind::playPause));
  h.host.latest()->send(willAppear("s", DeckActionKind::syncStart));
  ASSERT_TRUE(h.until([&] { return h.plugin->latestStatus.has_value(); }));
  ASSERT_TRUE(h.until([&] { return h.countOn("setImage") == 4; }));
  auto images = sentEvents(*h.host.latest(), "setImage");
  auto pictureOf = [&](const std::string& context) {
    for (auto it = images.rbegin(); it != images.rend(); ++it) {
      if (it->context == context) return it->picture();
    }
    return std::string();
  };
  EXPECT_NE(pictureOf("p").find(">❚❚</text>"), std::string::npos);
  EXPECT_NE(pictureOf("s").find("font-size=\"77\" font-weight=\"700\" fill=\"#ff7b21\">2</text>"), std::string::npos);

  code = 500;
  ASSERT_TRUE(h.until([&] { return !h.plugin->latestStatus.has_value(); }, 3s));
  ASSERT_TRUE(h.until([&] { return h.countOn("setImage") == 6; }));
  images = sentEvents(*h.host.latest(), "setImage");
  EXPECT_NE(pictureOf("p").find(">▶</text>"), std::string::npos);
  EXPECT_NE(pictureOf("s").find(">3·2·1</text>"), std::string::npos);

  code = 200;
  ASSERT_TRUE(h.until([&] { return h.plugin->latestStatus.has_value(); }, 3s));
}

TEST(StatusPolling, ABridgeThatNeverAnswersCountsAsFailedAfterTheTimeout) {
  PluginHarness h([](const std::string&) { return ScriptedReply{"", 0ms, true}; }, HttpLimits{500ms, 1024 * 1024});
  h.plugin->latestStatus = decodeBridgeStatus(statusBody());
  h.plugin->start();
  ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") == 1; }));
  // Polls are dropped while the request hangs; after the timeout the status is gone and polling goes on.
  ASSERT_TRUE(h.until([&] { return !h.plugin->latestStatus.has_value(); }, 2s));
  ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") == 2; }, 2s));
}

struct PressCase {
  const char* name;
  ScriptedReply reply;
  bool bridgeDown;
  const char* mark;
};

class KeyPress : public ::testing::TestWithParam<PressCase> {};

TEST_P(KeyPress, AcknowledgesAsTheReplySaysThenPolls) {
  const auto& c = GetParam();
  PluginHarness h([&](const std::string& target) {
    return target == "/status" ? ScriptedReply{"", 0ms, true} : c.reply;
  });
  if (c.bridgeDown) h.plugin = VantryProDeckPlugin::make(
      {"p", "-port", std::to_string(h.host.port()), "-pluginUUID", "u", "-registerEvent", "r"}, h.context,
      PluginSettings{boost::urls::url("http://127.0.0.1:1"), {}});
  ASSERT_TRUE(h.startAndRegister());
  h.host.latest()->send(willAppear("ctx", DeckActionKind::back10));
  h.host.latest()->send(R"({"event":"keyDown","context":"ctx","action":"vesk.quillfern.vantrypro.streamdeck.stop"})");
  ASSERT_TRUE(h.until([&] { return h.countOn(c.mark) == 1; }));
  const auto sent = sentOn(*h.host.latest());
  const auto& mark = sent.back();
  EXPECT_EQ(mark.context, "ctx");
  EXPECT_EQ(mark.message.size(), 2u);  // event and context, no payload
  if (!c.bridgeDown) {
    EXPECT_EQ(h.bridge.requests.front().target, "/action?action=backward_10");
    // The poll follows the mark (the timer's first tick is still far off).
    ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") == 1; }));
    EXPECT_LT(h.bridge.requests.back().at - h.host.latest()->received.back().at, 300ms);
  }
  EXPECT_TRUE(h.plugin->isPollingStatus || c.bridgeDown);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, KeyPress,
    ::testing::Values(
        PressCase{"bridge_down", {}, true, "showAlert"},
        PressCase{"ok_true", ScriptedReply{httpResponse(200, R"({"ok":true,"message":"done"})")}, false, "showOk"},
        PressCase{"ok_false", ScriptedReply{httpResponse(200, R"({"ok":false,"message":"no clip"})")}, false, "showAlert"},
        PressCase{"server_error_ok_true", ScriptedReply{httpResponse(500, R"({"ok":true,"message":"x"})")}, false, "showOk"},
        PressCase{"ok_false_no_message", ScriptedReply{httpResponse(200, R"({"ok":false})")}, false, "showOk"},
        PressCase{"no_content", ScriptedReply{"HTTP/1.1 204 No Content\r\n\r\n"}, false, "showOk"},
        PressCase{"not_found_empty", ScriptedReply{httpResponse(404, "", "Not Found")}, false, "showAlert"},
        PressCase{"connection_dropped", ScriptedReply{"HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n{"}, false, "showAlert"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(KeyPresses, DisplayKeysOnlyPollAndQuickPressesEachGetTheirMark) {
  PluginHarness h([](const std::string& target) {
    auto reply = ScriptedReply{httpResponse(200, R"({"ok":true,"message":"done"})")};
    if (target == "/status") reply = statusReply();
    return reply;
  });
  ASSERT_TRUE(h.startAndRegister());
  auto& host = *h.host.latest();
  host.send(willAppear("logo", DeckActionKind::logo));
  host.send(willAppear("play", DeckActionKind::playPause));
  host.send(R"({"event":"keyDown","context":"logo"})");
  ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") == 1; }));
  host.send(R"({"event":"keyDown","context":"play"})");
  host.send(R"({"event":"keyDown","context":"play"})");
  ASSERT_TRUE(h.until([&] { return h.countOn("showOk") == 2; }));
  EXPECT_EQ(h.bridge.count("/action?action=play_pause"), 2u);
  EXPECT_EQ(h.countOn("showAlert"), 0u);
  for (const auto& s : sentEvents(host, "showOk")) EXPECT_EQ(s.context, "play");
}

TEST(KeyPresses, AnActionTheBridgeHangsUpOnReachesItOnceAndFails) {
  // Read but unanswered: the application may have acted, and a second play_pause would undo it.
  for (const bool afterAStatusPoll : {false, true}) {
    PluginHarness h([](const std::string& target) { return target == "/status" ? statusReply() : ScriptedReply{}; });
    h.bridge.keepConnections = true;
    ASSERT_TRUE(h.startAndRegister());
    auto& host = *h.host.latest();
    host.send(willAppear("play", DeckActionKind::playPause));
    // The poll's connection stays open on both sides, idle.
    if (afterAStatusPoll) { ASSERT_TRUE(h.until([&] { return h.plugin->latestStatus.has_value(); })); }
    host.send(R"({"event":"keyDown","context":"play"})");
    ASSERT_TRUE(h.until([&] { return h.countOn("showAlert") == 1; })) << afterAStatusPoll;
    EXPECT_EQ(h.bridge.count("/action?action=play_pause"), 1u) << afterAStatusPoll;
  }
}

}  // namespace
