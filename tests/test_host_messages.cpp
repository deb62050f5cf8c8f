#include "app/launch_values.hpp"
#include "host/host_connection.hpp"
#include "host/host_messages.hpp"

#include <gtest/gtest.h>

#include <boost/json.hpp>

#include <tuple>

namespace json = boost::json;
using namespace vantry;

namespace {

using Launch = std::tuple<std::int64_t, std::string, std::string>;
const Launch refused{-1, "", ""};

Launch launch(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "/opt/bin/VantryProDeckPlugin");
  const auto values = readLaunchValues(arguments);
  return values ? Launch{values->streamDeckPort, values->pluginUUID, values->registerEvent} : refused;
}

TEST(LaunchValues, PortIsADecimalNumberOfOneOrMoreAndAddressesTheHostWhenItFits) {
  // The port text, the port read from it (-1: launch refused), and the host's address for that port.
  const std::tuple<const char*, std::int64_t, const char*> cases[] = {
      {"28196", 28196, "ws://127.0.0.1:28196"}, {"+0042", 42, "ws://127.0.0.1:42"}, {"007", 7, "ws://127.0.0.1:7"},
      {"1", 1, "ws://127.0.0.1:1"}, {"65535", 65535, "ws://127.0.0.1:65535"}, {"65536", 65536, ""}, {"93732", 93732, ""},
      {"9223372036854775807", INT64_MAX, ""}, {"9223372036854775808", -1, ""}, {"0", -1, ""}, {"-5", -1, ""},
      {"12 3", -1, ""}, {" 123", -1, ""}, {"12a", -1, ""}, {"0x10", -1, ""}, {"", -1, ""}, {"+", -1, ""}, {"+-5", -1, ""},
  };
  for (const auto& [text, port, address] : cases) {
    const auto read = std::get<0>(launch({"-port", text, "-pluginUUID", "u", "-registerEvent", "r"}));
    EXPECT_EQ(read, port) << text;
    EXPECT_EQ(hostWebSocketAddress(read).value_or(boost::urls::url()).buffer(), address) << text;
  }
}

TEST(LaunchValues, FirstOccurrenceOfEachFlagInAnyOrder) {
  const std::pair<std::vector<std::string>, Launch> cases[] = {
      {{"-info", "{\"a\":1}", "-registerEvent", "registerPlugin", "-pluginUUID", "ABC", "-port", "1"}, {1, "ABC", "registerPlugin"}},
      {{"-port", "7", "-port", "8", "-pluginUUID", "a", "-pluginUUID", "b", "-registerEvent", "r"}, {7, "a", "r"}},
      {{"-info", "-port", "5", "-port", "6", "-pluginUUID", "u", "-registerEvent", "r"}, {5, "u", "r"}},
      {{"-port", "3", "-pluginUUID", "", "-registerEvent", ""}, {3, "", ""}},
      {{"-pluginUUID", "u", "-registerEvent", "r", "-port"}, refused},
      {{"-port", "-pluginUUID", "u", "-registerEvent", "r"}, refused},
      {{"-port", "3", "-registerEvent", "r"}, refused},
      {{"-port", "3", "-pluginUUID", "u"}, refused},
      {{"-Port", "3", "-pluginUUID", "u", "-registerEvent", "r"}, refused},
  };
  for (const auto& [arguments, values] : cases) EXPECT_EQ(launch(arguments), values) << testing::PrintToString(arguments);
  EXPECT_FALSE(readLaunchValues({}));
}

TEST(HostEventParsing, ActsOnlyOnWellFormedKnownEvents) {
  const std::string stop = R"(,"action":"vesk.quillfern.vantrypro.streamdeck.stop")";
  // The event's place in the variant, or -1 for a message that is dropped.
  const std::pair<std::string, int> cases[] = {
      {R"({"event":"willAppear","context":"c1")" + stop + R"(,"device":"d","payload":{}})", 0},
      {R"({"event":"willDisappear","context":"c1"})", 1},
      {R"({"event":"keyDown","context":"c1","action":"x"})", 2},
      {R"({"event":"applicationDidLaunch"})", 3},
      {R"({"event":"deviceDidConnect","device":"d"})", 3},
      {"\"willAppear\"", -1}, {R"({"context":"c1"})", -1}, {R"({"event":"WillAppear","context":"c1")" + stop + "}", -1},
      {R"({"event":"keydown","context":"c1"})", -1},
      {R"({"event":"willAppear","context":7)" + stop + "}", -1}, {R"({"event":"willAppear")" + stop + "}", -1},
      {R"({"event":"willAppear","context":"c1"})", -1}, {R"({"event":"willDisappear","context":null})", -1},
      {R"({"event":"willAppear","context":"c1","action":"vesk.quillfern.vantrypro.streamdeck.STOP"})", -1},
      {R"({"event":"keyDown","context":["c1"]})", -1}, {"{\"event\":\"keyDown\",\"context\":\"\xff\"}", -1},
      {R"({"event":"willAppear","context":"d1","action":"vesk.quillfern.vantrypro.streamdeck.transport-dial"})", 4},
      {R"({"event":"dialRotate","context":"d1","payload":{"ticks":-3,"pressed":false}})", 5},
      {R"({"event":"dialRotate","context":"d1","payload":{"ticks":1.5}})", -1}, {R"({"event":"dialRotate","context":"d1"})", -1},
      {R"({"event":"dialRotate","context":"d1","payload":{}})", -1}, {R"({"event":"dialDown","context":"d1"})", 6},
      {R"({"event":"dialUp","context":"d1"})", -1}, {R"({"event":"touchTap"})", -1},
      {R"({"event":"touchTap","context":"d1","payload":{"tapPos":[10,20],"hold":true}})", 7},
      {R"({"event":"didReceiveSettings","context":"c1","payload":{"settings":{"time":"remaining"}}})", 8},
      {R"({"event":"didReceiveSettings","context":"c1"})", 8}, {R"({"event":"didReceiveSettings"})", -1},
      {R"({"event":"propertyInspectorDidAppear","context":"c1","action":"a","device":"d"})", 9},
      {R"({"event":"propertyInspectorDidDisappear","context":"c1"})", 10},
      {R"({"event":"sendToPlugin","context":"c1","payload":{"request":"checkNow"}})", 11},
      {R"({"event":"sendToPlugin","context":"c1","payload":{"request":"reboot"}})", -1},
      {R"({"event":"sendToPlugin","context":"c1","payload":"checkNow"})", -1},
      {R"({"event":"didReceiveGlobalSettings","payload":{"settings":{}}})", 12},
  };
  for (const auto& [text, index] : cases) {
    const auto event = parseHostEvent(text);
    EXPECT_EQ(event ? int(event->index()) : -1, index) << text;
  }
}

// Every setting that is missing, of another type or out of range is its default; the plugin-wide
// bridge port likewise.
TEST(HostEventParsing, SettingsAreReadAsGivenOrTheirDefaults) {
  const std::pair<const char*, DisplaySettings> cases[] = {
      {"{}", {}}, {"null", {}}, {"[1]", {}}, {R"("remaining")", {}},
      {R"({"time":"remaining","warnSeconds":20,"flash":true,"label":"title","other":1})", {true, 20, true, true}},
      {R"({"time":"elapsed","warnSeconds":0,"flash":false,"label":"runtime"})", {}},
      {R"({"time":"Remaining","warnSeconds":"20","flash":"true","label":["title"]})", {}},
      {R"({"warnSeconds":3600})", {false, 3600}}, {R"({"warnSeconds":3601})", {}}, {R"({"warnSeconds":-1})", {}},
      {R"({"warnSeconds":1.5})", {}}, {R"({"warnSeconds":20.0})", {}}, {R"({"warnSeconds":{"s":20}})", {}},
      {R"({"warnSeconds":18446744073709551615})", {}}, {R"({"flash":1})", {}}, {R"({"time":null})", {}},
  };
  for (const auto& [text, expected] : cases) {
    const auto event = parseHostEvent(R"({"event":"didReceiveSettings","context":"c","payload":{"settings":)" +
                                      std::string(text) + "}}");
    EXPECT_TRUE(event && std::get<DidReceiveSettings>(*event).settings == expected) << text;
  }
  const std::pair<const char*, std::optional<std::uint16_t>> ports[] = {
      {R"({"bridgePort":48200})", 48200}, {R"({"bridgePort":1})", 1}, {R"({"bridgePort":65535})", 65535},
      {R"({"bridgePort":0})", {}}, {R"({"bridgePort":65536})", {}}, {R"({"bridgePort":"48200"})", {}},
      {R"({"bridgePort":48200.0})", {}}, {R"({"bridgePort":-1})", {}}, {"{}", {}}, {"7", {}},
  };
  for (const auto& [text, port] : ports) {
    const auto event = parseHostEvent(R"({"event":"didReceiveGlobalSettings","payload":{"settings":)" + std::string(text) + "}}");
    EXPECT_EQ(std::get<GlobalSettings>(event.value()).bridgePort, port) << text;
  }
}

TEST(OutgoingMessages, EnvelopeCarriesPayloadOnlyWhenGivenAndOnlyUTF8IsSent) {
  const json::object empty, image = imagePayload("data:image/svg+xml;base64,AA=="), title = emptyTitlePayload();
  const std::pair<json::object, const char*> cases[] = {
      {eventEnvelope("x", "c1", &empty), R"({"event":"x","context":"c1","payload":{}})"},
      {eventEnvelope("setImage", "c1", &image),
       R"({"event":"setImage","context":"c1","payload":{"image":"data:image/svg+xml;base64,AA==","target":0}})"},
      {eventEnvelope("setTitle", "caf\xc3\xa9", &title),
       R"({"event":"setTitle","context":"café","payload":{"title":"","target":0}})"},
  };
  for (const auto& [message, text] : cases) EXPECT_EQ(json::parse(wireText(message).value_or("0")), json::parse(text));
  EXPECT_FALSE(wireText(eventEnvelope("showOk", "\xc3\x28")));
}

}  // namespace
