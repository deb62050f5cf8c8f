#include "host/host_connection.hpp"
#include "host/host_messages.hpp"

#include <gtest/gtest.h>

#include <boost/json.hpp>

namespace json = boost::json;
using namespace vantry;

namespace {

const std::string stopId = "vesk.quillfern.vantrypro.streamdeck.stop";

TEST(HostEventParsing, ActsOnlyOnWellFormedKnownEvents) {
  struct Case {
    std::string text;
    int expected;  // variant index, or -1 for dropped
  };
  const Case cases[] = {
      {R"({"event":"willAppear","context":"c1","action":")" + stopId + R"(","device":"d","payload":{}})", 0},
      {R"({"event":"willDisappear","context":"c1"})", 1},
      {R"({"event":"keyDown","context":"c1","action":"unknown"})", 2},
      {R"({"event":"applicationDidLaunch"})", 3},
      {R"({"event":"deviceDidConnect","device":"d","deviceInfo":{}})", 3},
      {"not json", -1},
      {"[1,2]", -1},
      {"\"willAppear\"", -1},
      {R"({"context":"c1"})", -1},
      {R"({"event":5})", -1},
      {R"({"event":null})", -1},
      {R"({"event":"WillAppear","context":"c1","action":")" + stopId + "\"}", -1},
      {R"({"event":"keydown","context":"c1"})", -1},
      {R"({"event":"keyUp","context":"c1"})", -1},
      {R"({"event":"willAppear","context":7,"action":")" + stopId + "\"}", -1},
      {R"({"event":"willAppear","action":")" + stopId + "\"}", -1},
      {R"({"event":"willAppear","context":"c1"})", -1},
      {R"({"event":"willAppear","context":"c1","action":"vesk.quillfern.vantrypro.streamdeck.STOP"})", -1},
      {R"({"event":"willDisappear","context":null})", -1},
      {R"({"event":"keyDown","context":["c1"]})", -1},
      {"{\"event\":\"keyDown\",\"context\":\"\xff\"}", -1},
  };
  for (const auto& c : cases) {
    const auto event = parseHostEvent(c.text);
    EXPECT_EQ(event ? int(event->index()) : -1, c.expected) << c.text;
  }
  const auto appear = parseHostEvent(R"({"event":"willAppear","context":"Ctx","action":")" + stopId + "\"}");
  ASSERT_TRUE(appear);
  EXPECT_EQ(std::get<WillAppear>(*appear).context, "Ctx");
  EXPECT_EQ(std::get<WillAppear>(*appear).kind, DeckActionKind::stop);
}

TEST(OutgoingMessages, EnvelopeCarriesPayloadOnlyWhenGiven) {
  EXPECT_EQ(json::parse(*wireText(eventEnvelope("showOk", "c1"))), json::parse(R"({"event":"showOk","context":"c1"})"));
  const json::object empty;
  EXPECT_EQ(json::parse(*wireText(eventEnvelope("x", "c1", &empty))),
            json::parse(R"({"event":"x","context":"c1","payload":{}})"));
  const auto image = imagePayload("data:image/svg+xml;base64,AA==");
  EXPECT_EQ(json::parse(*wireText(eventEnvelope("setImage", "c1", &image))),
            json::parse(R"({"event":"setImage","context":"c1","payload":{"image":"data:image/svg+xml;base64,AA==","target":0}})"));
  EXPECT_EQ(json::parse(*wireText(emptyTitlePayload())), json::parse(R"({"title":"","target":0})"));
  EXPECT_EQ(*wireText(registrationMessage("registerPlugin", "ABC")), R"({"event":"registerPlugin","uuid":"ABC"})");
}

TEST(OutgoingMessages, TextThatIsNotUTF8IsNotSent) {
  EXPECT_FALSE(wireText(eventEnvelope("showOk", "\xc3\x28")));
  EXPECT_TRUE(wireText(eventEnvelope("showOk", "caf\xc3\xa9")));
}

TEST(HostAddress, PortIsWrittenInFullOrRefused) {
  EXPECT_EQ(hostWebSocketAddress(28196)->buffer(), "ws://127.0.0.1:28196");
  EXPECT_EQ(hostWebSocketAddress(1)->buffer(), "ws://127.0.0.1:1");
  EXPECT_EQ(hostWebSocketAddress(65535)->buffer(), "ws://127.0.0.1:65535");
  for (const std::int64_t port : {std::int64_t(65536), std::int64_t(99999), std::int64_t(65536 + 28196), INT64_MAX}) {
    EXPECT_FALSE(hostWebSocketAddress(port)) << port;
  }
}

}  // namespace
