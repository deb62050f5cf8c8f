#include "support/plugin_harness.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace vantry;
using namespace vantry::test;
using namespace std::chrono_literals;

namespace {

TEST(PluginHost, RegistersThenHandlesMessagesInOrderAndAnswersPings) {
  // A bridge that never answers: the keys are drawn without status.
  PluginHarness h([](const std::string&) { return ScriptedReply{"", 0ms, true}; });
  ASSERT_TRUE(h.startAndRegister());
  auto& connection = *h.host.latest();
  EXPECT_EQ(connection.received.front().text, R"({"event":"registerPlugin","uuid":"0123456789ABCDEF0123456789ABCDEF"})");
  ASSERT_TRUE(h.until([&] { return connection.received.size() == 2; }));
  EXPECT_EQ(connection.received[1].text, R"({"event":"getGlobalSettings","context":"0123456789ABCDEF0123456789ABCDEF"})");
  connection.send(willAppear("k", DeckActionKind::stop));
  connection.send(willAppear("k", DeckActionKind::eject), false);  // binary, valid UTF-8
  connection.send("{\"event\":\"willAppear\",\"context\":\"\xff\"}", false);  // binary, not UTF-8: dropped
  for (const char* junk : {"nonsense", "[]", "{\"event\":3}", "{\"event\":\"keyDown\",\"context\":\"never-seen\"}",
                           "{\"event\":\"willDisappear\",\"context\":\"never-seen\"}"}) {
    connection.send(junk);
  }
  connection.send(willAppear("gone", DeckActionKind::runtime));
  connection.send(R"({"event":"willDisappear","context":"gone"})");
  connection.send(willAppear("k", DeckActionKind::logo));
  connection.ping();  // answered between the plugin's own messages
  ASSERT_TRUE(h.until([&] { return h.countOn("setTitle") == 4 && connection.pongs() == 1; }));
  const std::pair<const char*, const char*> drawn[] = {
      {"k", ">Stop</text>"}, {"k", ">Eject</text>"}, {"gone", ">/ --:--</text>"}, {"k", ">QUILL</text>"}};
  const auto sent = sentEvents(connection);
  ASSERT_EQ(sent.size(), 2u + 2 * std::size(drawn));
  for (std::size_t i = 0; i < std::size(drawn); ++i) {
    const auto& image = sent[2 + 2 * i];
    EXPECT_EQ(image.event, "setImage");
    EXPECT_EQ(image.context, drawn[i].first);
    EXPECT_NE(image.picture().find(drawn[i].second), std::string::npos) << i;
    EXPECT_EQ(sent[3 + 2 * i].message.at("payload"), boost::json::parse(R"({"title":"","target":0})"));
  }
  EXPECT_EQ(h.plugin->keysOnDeck(), (std::unordered_map<std::string, DeckActionKind>{{"k", DeckActionKind::logo}}));
  EXPECT_EQ(h.host.connections.size(), 1u);  // no message ended the connection
}

TEST(WebSocketTask, OutgoingQueueIsBoundedWhileTheHostDoesNotReadAndKeepsItsOrder) {
  boost::asio::io_context context;
  TestHostServer host(context);
  host.readNewConnections = false;
  auto task = WebSocketTask::create(context, boost::urls::url("ws://127.0.0.1:" + std::to_string(host.port())));
  task->resume();
  task->send("0:given while opening");
  ASSERT_TRUE(runUntil(context, [&] { return host.latest() && host.latest()->isOpen(); }));
  const std::size_t messages = 96;
  std::size_t largestQueue = 0;
  for (std::size_t i = 1; i < messages; ++i) {
    task->send(std::to_string(i) + ":" + std::string(256 * 1024, 'k'));
    largestQueue = std::max(largestQueue, task->queuedBytes());
    runFor(context, 2ms);
  }
  EXPECT_LE(largestQueue, WebSocketTask::outgoingLimitBytes);
  host.latest()->resumeReading();
  ASSERT_TRUE(runUntil(context, [&] { return task->queuedBytes() == 0; }, 10s));
  task->send("after");
  const auto& received = host.latest()->received;
  ASSERT_TRUE(runUntil(context, [&] { return !received.empty() && received.back().text == "after"; }));
  EXPECT_LT(received.size(), messages + 1);  // some were dropped rather than queued without end
  EXPECT_EQ(received.front().text, "0:given while opening");
  for (std::size_t i = 1; i + 1 < received.size(); ++i) {
    EXPECT_GT(std::stoul(received[i].text), std::stoul(received[i - 1].text));  // what arrives keeps its order
  }
}

TEST(StatusPolling, TicksStayOnTheirGridAfterTheThreadWasHeldUp) {
  PluginHarness h;
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(h.startAndRegister());
  ASSERT_TRUE(h.until([&] { return h.plugin->status().has_value(); }, 2s));  // the first poll is over
  // Busy past the second tick's due time: that one comes late, the ones after it on time.
  std::this_thread::sleep_until(started + 400ms + 900ms + 300ms);
  ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") >= 5; }, 6s));
  for (const std::size_t k : {0, 2, 3, 4}) {
    const auto due = started + 400ms + k * 900ms;
    EXPECT_LT(std::abs(std::chrono::duration<double, std::milli>(h.bridge.requests[k].at - due).count()), 100.0) << k;
  }
}

TEST(StatusPolling, EachPollRedrawsFromItsReplyAndAFailedOneForgetsTheStatus) {
  const auto playing = fullStatusObject("playing");
  // A server error, and a bridge that never answers until the request's time-out.
  for (const auto& failure : {ScriptedReply{httpResponse(500, "{}")}, ScriptedReply{"", 0ms, true}}) {
    bool failing = false;
    PluginHarness h([&](const std::string&) { return failing ? failure : statusReply(playing); }, {500ms, 1024 * 1024});
    ASSERT_TRUE(h.startAndRegister());
    h.host.latest()->send(willAppear("p", DeckActionKind::playPause));
    const auto picture = [&] { return sentEvents(*h.host.latest(), "setImage").back().picture(); };
    ASSERT_TRUE(h.until([&] { return h.plugin->status() && h.countOn("setImage") == 2; }));
    EXPECT_NE(picture().find(">❚❚</text>"), std::string::npos);
    failing = true;
    ASSERT_TRUE(h.until([&] { return !h.plugin->status() && h.countOn("setImage") == 3; }, 3s));
    EXPECT_NE(picture().find(">▶</text>"), std::string::npos);
    failing = false;
    ASSERT_TRUE(h.until([&] { return h.plugin->status().has_value(); }, 3s));  // polling goes on
  }
}

TEST(StatusPolling, APollAskedForWhileOneIsInFlightIsDropped) {
  PluginHarness h([](const std::string&) { return ScriptedReply{statusReply().bytes, 600ms}; });
  ASSERT_TRUE(h.startAndRegister(false));
  h.host.latest()->send(willAppear("logo", DeckActionKind::logo));
  for (int press = 0; press < 2; ++press) h.host.latest()->send(R"({"event":"keyDown","context":"logo"})");
  ASSERT_TRUE(h.until([&] { return h.plugin->status().has_value(); }));
  EXPECT_EQ(h.bridge.count("/status"), 1u);  // a second would have gone out at the second press, long before
}

// A squatter on the bridge's port whose reply never ends a part that the parser must hold whole.
TEST(HttpGet, AReplyPartThatNeverEndsFailsAtTheReadBoundLongBeforeTheDeadline) {
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  for (const auto& opening : {chunked + "2;", chunked + "0\r\nX-T: "}) {
    boost::asio::io_context context;
    const ScriptedReply endless{opening, 0ms, false, [] { return std::string(4096, 'x'); }, 1ms};
    TestBridgeServer bridge(context, [&](const std::string&) { return endless; });
    std::optional<HttpReply> reply;
    const auto started = std::chrono::steady_clock::now();
    startHttpGet(context, boost::urls::url(bridge.baseURL() + "/status"), [&](HttpReply r) { reply = std::move(r); },
                 {3s});
    ASSERT_TRUE(runUntil(context, [&] { return reply.has_value(); }, 5s)) << opening;
    EXPECT_FALSE(reply->statusCode) << opening;
    // An unbounded buffer would take bytes until the deadline.
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1500ms) << opening;
  }
}

// A reply that comes in parts, with pauses between them, is read as it comes and whole.
TEST(HttpGet, AReplyInPartsIsReadWhole) {
  boost::asio::io_context context;
  const ScriptedReply inParts{"HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nab", 0ms, false, [] { return std::string("cd"); }, 30ms};
  TestBridgeServer bridge(context, [&](const std::string&) { return inParts; });
  std::optional<HttpReply> reply;
  startHttpGet(context, boost::urls::url(bridge.baseURL() + "/status"), [&](HttpReply r) { reply = std::move(r); });
  ASSERT_TRUE(runUntil(context, [&] { return reply.has_value(); }, 5s));
  EXPECT_EQ(reply->statusCode, 200u);
  EXPECT_EQ(reply->body, "abcdcd");
}

// Polls share a connection (the key-press table counts them), but not one that sat idle longer
// than the pool keeps it.
TEST(HttpConnectionPool, AConnectionIdleTooLongIsNotReused) {
  boost::asio::io_context context;
  TestBridgeServer bridge(context, [](const std::string&) { return statusReply(); });
  bridge.keepConnections = true;
  const auto pool = std::make_shared<HttpConnectionPool>(0ms);
  for (int request = 0; request < 2; ++request) {
    bool done = false;
    startHttpGet(context, boost::urls::url(bridge.baseURL() + "/status"), [&](HttpReply) { done = true; }, {}, pool);
    ASSERT_TRUE(runUntil(context, [&] { return done; }));
  }
  EXPECT_EQ(bridge.connectionsAccepted, 2u);
}

TEST(KeyPresses, EachCommandGoesOutOnceIsMarkedAsTheReplySaysAndThenPolls) {
  // An empty reply hangs up once the request is read.
  struct Case { const char* name; ScriptedReply reply; const char* mark; bool bridgeDown = false; };
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const auto padded = [](std::string json, std::size_t size) { return json.append(size - json.size(), ' '); };
  const Case cases[] = {
      {"bridge_down", {}, "showAlert", true},
      {"ok_true", {httpResponse(200, R"({"ok":true,"message":"done"})")}, "showOk"},
      {"ok_false", {httpResponse(200, R"({"ok":false,"message":"no clip"})")}, "showAlert"},
      {"connection_dropped", {"HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 50\r\n\r\n{"}, "showAlert"},
      // The application may have acted on it: sending it again could undo a play_pause.
      {"read_then_hung_up", {}, "showAlert"},
      // Read in full (a failed request would be marked with an alert).
      {"chunked", {chunked + "5\r\n{\"ok\"\r\n17\r\n:true,\"message\":\"done\"}\r\n0\r\n\r\n"}, "showOk"},
      {"body_at_limit", {httpResponse(200, padded(R"({"ok":true,"message":"done"})", 1 << 20))}, "showOk"},
      {"body_over_limit", {httpResponse(200, padded(R"({"ok":true,"message":"done"})", (1 << 20) + 1))}, "showAlert"},
  };
  for (const auto& c : cases) {
    PluginHarness h([&](const std::string& target) { return target == "/status" ? statusReply() : c.reply; });
    h.bridge.keepConnections = true;
    ASSERT_TRUE(h.startAndRegister(false));  // every poll here comes from a press
    auto& host = *h.host.latest();
    host.send(willAppear("logo", DeckActionKind::logo));
    host.send(willAppear("ctx", DeckActionKind::back10));
    // A display key's press only polls; the poll's connection stays open and idle.
    host.send(R"({"event":"keyDown","context":"logo"})");
    ASSERT_TRUE(h.until([&] { return h.plugin->status().has_value(); })) << c.name;
    if (c.bridgeDown) h.bridge.stopListening();
    host.send(R"({"event":"keyDown","context":"ctx"})");
    ASSERT_TRUE(h.until([&] { return h.countOn(c.mark) == 1 && h.bridge.count("/status") == 2; })) << c.name;
    runFor(h.context, 50ms);
    EXPECT_EQ(h.countOn("showOk") + h.countOn("showAlert"), 1u) << c.name;
    const auto mark = sentEvents(host, c.mark).front();
    EXPECT_EQ(mark.message, boost::json::parse(R"({"event":")" + std::string(c.mark) + R"(","context":"ctx"})"));
    EXPECT_EQ(h.bridge.count("/action?action=backward_10"), c.bridgeDown ? 0u : 1u) << c.name;
    EXPECT_EQ(h.bridge.requests.size(), c.bridgeDown ? 2u : 3u) << c.name;
    EXPECT_EQ(h.bridge.connectionsAccepted, c.bridgeDown ? 1u : 2u) << c.name;  // polls share theirs
  }
}

TEST(TransportDial, TurnsSeekInTurnPushPlaysTouchRefreshesAndTheStripGetsOnlyChanges) {
  PluginHarness h([&](const std::string& target) {
    const bool refused = target.ends_with("backward_10");
    return target == "/status" ? statusReply()
                               : ScriptedReply{httpResponse(200, refused ? R"({"ok":false,"message":"no clip"})"
                                                                         : R"({"ok":true,"message":"done"})"),
                                               100ms};
  });
  ASSERT_TRUE(h.startAndRegister(false));  // every poll here comes from the dial
  auto& host = *h.host.latest();
  const auto event = [&](const char* name, const std::string& context, const char* payload = "{}") {
    host.send(std::string(R"({"event":")") + name + R"(","context":")" + context + R"(","payload":)" + payload + "}");
  };
  // Polls end before the next step, which would otherwise find one in flight and ask for none.
  const auto polled = [&](std::size_t n) { return h.bridge.count("/status") == n && !h.plugin->pollInFlight(); };
  host.send(willAppear("d", transportDialIdentifier()));
  host.send(willAppear("k", DeckActionKind::stop));
  ASSERT_TRUE(h.until([&] { return h.countOn("setFeedback") == 1 && h.countOn("setImage") == 1; }));
  EXPECT_EQ(sentEvents(host, "setFeedback")[0].message.at("payload").at("value"), "--:-- / --:--");
  // A key's context is no dial: nothing happens.
  event("dialRotate", "k", R"({"ticks":1})");
  event("dialDown", "k");
  event("touchTap", "k");
  event("dialRotate", "d", R"({"ticks":3,"pressed":false})");
  ASSERT_TRUE(h.until([&] { return polled(1); }));
  ASSERT_EQ(h.bridge.requests.size(), 4u);
  EXPECT_EQ(h.bridge.count("/action?action=forward_10"), 3u);
  for (std::size_t i = 1; i < 3; ++i) {
    EXPECT_GE(h.bridge.requests[i].at - h.bridge.requests[i - 1].at, 90ms) << "one after the other";
  }
  ASSERT_TRUE(h.until([&] { return h.countOn("setFeedback") == 2; }));
  EXPECT_EQ(sentEvents(host, "setFeedback")[1].message.at("payload").at("value"), "00:30 / 02:00");
  event("dialDown", "d");
  event("dialUp", "d");
  ASSERT_TRUE(h.until([&] { return polled(2); }));
  event("touchTap", "d", R"({"tapPos":[20,30],"hold":false})");
  ASSERT_TRUE(h.until([&] { return polled(3); }));
  event("dialRotate", "d", R"({"ticks":-2})");  // the first fails: the second never goes out
  ASSERT_TRUE(h.until([&] { return h.countOn("showAlert") == 1 && polled(4); }));
  runFor(h.context, 150ms);
  EXPECT_EQ(h.bridge.count("/action?action=play_pause"), 1u);
  EXPECT_EQ(h.bridge.count("/action?action=backward_10"), 1u);
  EXPECT_EQ(h.bridge.requests.size(), 9u);
  EXPECT_EQ(sentEvents(host, "showAlert")[0].context, "d");
  EXPECT_EQ(h.countOn("showOk"), 0u);
  EXPECT_EQ(h.countOn("setFeedback"), 2u);  // the same status after each poll
}

// The dial leaves and comes back while a seek is in flight, and is turned again: one seek at a time
// still, and the old run's failure is no news for the new one.
TEST(TransportDial, ADialBackMidSeekWaitsForTheOldSeekAndKeepsItsTicks) {
  int seeks = 0;
  PluginHarness h([&](const std::string& target) {
    if (target == "/status") return statusReply();
    const bool refused = seeks++ == 0;
    return ScriptedReply{httpResponse(200, refused ? R"({"ok":false})" : R"({"ok":true})"), 300ms};
  });
  ASSERT_TRUE(h.startAndRegister(false));
  auto& host = *h.host.latest();
  const std::string turn = R"({"event":"dialRotate","context":"d","payload":{"ticks":)";
  host.send(willAppear("d", transportDialIdentifier()));
  host.send(turn + "1}}");
  ASSERT_TRUE(h.until([&] { return h.bridge.requests.size() == 1; }));
  host.send(R"({"event":"willDisappear","context":"d"})");
  host.send(willAppear("d", transportDialIdentifier()));
  host.send(turn + "3}}");
  ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") == 1 && !h.plugin->pollInFlight(); }));
  ASSERT_EQ(h.bridge.requests.size(), 5u);  // four seeks, then the poll
  for (std::size_t i = 1; i < 4; ++i) EXPECT_GE(h.bridge.requests[i].at - h.bridge.requests[i - 1].at, 250ms) << i;
  EXPECT_EQ(h.countOn("showAlert"), 0u);
}

// Strips that the outgoing bound drops while the host does not read go out once it reads again,
// though the status has not changed since.
TEST(TransportDial, AStripTheOutgoingBoundDroppedGoesOutAtTheNextPoll) {
  auto status = fullStatusObject();
  PluginHarness h([&](const std::string&) { return statusReply(status); });
  h.host.readNewConnections = false;
  ASSERT_TRUE(h.startAndRegister(false));
  auto& host = *h.host.latest();
  auto& title = status["selectedClipTitle"].emplace_string();
  host.send(willAppear("d", transportDialIdentifier()));
  const auto stripIsCurrent = [&] {
    const auto strips = sentEvents(host, "setFeedback");
    return !strips.empty() && strips.back().message.at("payload").at("title") == title;
  };
  // Strips of nearly a megabyte, a new one each poll, more than the socket and the bound hold; then
  // the host reads again, and the status stays as it was.
  for (std::size_t poll = 1; poll < 40 && !(poll > 25 && stripIsCurrent()); ++poll) {
    if (poll <= 24) title = std::string(900 * 1024, static_cast<char>('a' + poll % 26));
    if (poll == 25) host.resumeReading();
    host.send(R"({"event":"touchTap","context":"d","payload":{}})");
    ASSERT_TRUE(h.until([&] { return h.bridge.count("/status") == poll && !h.plugin->pollInFlight(); }));
    runFor(h.context, poll > 24 ? 100ms : 0ms);
  }
  EXPECT_TRUE(stripIsCurrent()) << "the strip is stale";
}

// The property inspector's connection line hears how the last status request went, at once when it
// opens, after every "Check now" and whenever the answer changes; the bridge port moves every request.
TEST(PropertyInspector, TheConnectionLineSaysHowThePollWentAndFollowsTheBridgePort) {
  ScriptedReply next;
  PluginHarness h([&](const std::string&) { return next; }, {300ms, 1 << 20});
  ASSERT_TRUE(h.startAndRegister(false));
  auto& host = *h.host.latest();
  host.send(willAppear("rt", DeckActionKind::runtime));
  host.send(R"({"event":"propertyInspectorDidAppear","context":"rt","action":"a","device":"d"})");
  const auto report = [&](std::size_t n) {  // the n-th, or nothing before it has come
    const auto reports = sentEvents(host, "sendToPropertyInspector");
    return reports.size() >= n ? reports[n - 1].message.at("payload").as_object() : boost::json::object{};
  };
  ASSERT_TRUE(h.until([&] { return !report(1).empty(); }));
  EXPECT_EQ(report(1), boost::json::parse(R"({"bridge":"not-yet","address":"127.0.0.1","port":)" +
                                          std::to_string(h.bridge.port()) + "}"));
  const auto checkNow = R"({"event":"sendToPlugin","context":"rt","payload":{"request":"checkNow"}})";
  // An empty reply hangs up once the request is read.
  struct Case { ScriptedReply reply; const char* bridge; std::optional<std::int64_t> httpStatus; };
  const Case cases[] = {
      {statusReply(), "ok", 200}, {statusReply(), "ok", 200}, {{httpResponse(503, "{}")}, "bad-reply", 503},
      {{httpResponse(200, "{}")}, "bad-reply", 200}, {{"", 0ms, true}, "no-answer", {}}, {{}, "no-answer", {}},
      {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"}, "bad-reply", {}},
  };
  std::size_t sent = 1;
  for (const auto& [reply, bridge, httpStatus] : cases) {
    next = reply;
    host.send(checkNow);
    ASSERT_TRUE(h.until([&] { return !report(sent + 1).empty(); })) << bridge;
    const auto got = report(++sent);
    EXPECT_EQ(got.at("bridge"), bridge);
    EXPECT_EQ(got.contains("httpStatus") ? std::optional(got.at("httpStatus").as_int64()) : std::nullopt, httpStatus) << bridge;
  }
  next = statusReply();
  h.bridge.stopListening();
  host.send(checkNow);
  ASSERT_TRUE(h.until([&] { return !report(sent + 1).empty(); }));
  EXPECT_EQ(report(++sent).at("bridge"), "refused");
  TestBridgeServer moved(h.context, [](const std::string&) { return statusReply(fullStatusObject("playing")); });
  host.send(R"({"event":"didReceiveGlobalSettings","payload":{"settings":{"bridgePort":)" + std::to_string(moved.port()) + "}}}");
  host.send(checkNow);
  ASSERT_TRUE(h.until([&] { return !report(sent + 2).empty(); }));
  EXPECT_EQ(report(sent + 1).at("bridge"), "not-yet");  // the new port has not been asked yet
  EXPECT_EQ(report(sent + 2), boost::json::parse(R"({"bridge":"ok","address":"127.0.0.1","port":)" + std::to_string(moved.port()) +
                                                 R"(,"httpStatus":200,"appName":"Vantry Pro","playbackState":"playing","clipTitle":"Opening"})"));
  host.send(R"({"event":"propertyInspectorDidDisappear","context":"rt"})");
  host.send(checkNow);
  ASSERT_TRUE(h.until([&] { return moved.requests.size() == 2 && !h.plugin->pollInFlight(); }));
  runFor(h.context, 50ms);
  EXPECT_EQ(h.countOn("sendToPropertyInspector"), sent + 2);  // a closed inspector hears nothing
}

}  // namespace
