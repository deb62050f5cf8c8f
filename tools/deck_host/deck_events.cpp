#include "deck.hpp"

#include <algorithm>

// The messages the deck sends the plugin, as the Stream Deck host words them.
namespace vantry::deck {

namespace json = boost::json;

namespace {

constexpr int deviceType = 7;  // the host's number for a Stream Deck +
constexpr int segmentWidth = 200;
constexpr int segmentHeight = 100;

const char* hostPlatform() {
#if defined(__APPLE__)
  return "mac";
#else
  return "linux";
#endif
}

// An event about one key or dial, its payload saying where the control sits.
json::object controlEvent(std::string_view event, const json::object& control, std::string_view device,
                          json::object payload) {
  const auto* row = control.if_contains("row");
  payload["coordinates"] = {{"column", control.at("column")}, {"row", row ? *row : json::value(0)}};
  payload["settings"] = control.at("settings");
  return {{"event", event},
          {"action", control.at("action")},
          {"context", control.at("context")},
          {"device", device},
          {"payload", std::move(payload)}};
}

}  // namespace

json::object Deck::launchInfo() const {
  return {
      {"application", {{"font", ".AppleSystemUIFont"}, {"language", "en"}, {"platform", hostPlatform()},
                       {"platformVersion", "1.0"}, {"version", "6.4.0.19000"}}},
      {"plugin", {{"uuid", "vesk.quillfern.vantrypro.streamdeck"}, {"version", "1.0.0"}}},
      {"devicePixelRatio", 1},
      {"colors", {{"buttonPressedBackgroundColor", "#303030FF"}, {"buttonPressedBorderColor", "#646464FF"},
                  {"buttonPressedTextColor", "#969696FF"}, {"disabledColor", "#007AFF59"},
                  {"highlightColor", "#007AFFFF"}, {"mouseDownColor", "#2EA8FFFF"}}},
      {"devices", json::array{json::object{{"id", deviceID_},
                                           {"name", deviceName},
                                           {"size", {{"columns", columns}, {"rows", rows}}},
                                           {"type", deviceType}}}},
  };
}

std::vector<json::object> Deck::greeting() const {
  std::vector<json::object> messages;
  messages.push_back({{"event", "deviceDidConnect"},
                      {"device", deviceID_},
                      {"deviceInfo", {{"name", deviceName},
                                      {"size", {{"columns", columns}, {"rows", rows}}},
                                      {"type", deviceType}}}});
  for (const auto& key : keys_) {
    messages.push_back(
        controlEvent("willAppear", key, deviceID_, {{"controller", "Keypad"}, {"isInMultiAction", false}}));
  }
  for (const auto& dial : dials_) {
    messages.push_back(controlEvent("willAppear", dial, deviceID_,
                                    {{"controller", "Encoder"}, {"isInMultiAction", false}, {"state", 0}}));
  }
  return messages;
}

json::object Deck::settingsEvent(const json::object& control) const {
  return controlEvent("didReceiveSettings", control, deviceID_, {{"isInMultiAction", false}});
}

json::object Deck::inspectorEvent(std::string_view event, const json::object& control) const {
  return {
      {"event", event}, {"action", control.at("action")}, {"context", control.at("context")}, {"device", deviceID_}};
}

std::vector<json::object> Deck::press(const json::object& key) const {
  return {controlEvent("keyDown", key, deviceID_, {{"isInMultiAction", false}}),
          controlEvent("keyUp", key, deviceID_, {{"isInMultiAction", false}})};
}

std::vector<json::object> Deck::operate(const json::object& dial, std::string_view control, int tapX, int tapY) const {
  const auto event = [&](std::string_view name, json::object payload) {
    payload["controller"] = "Encoder";
    return controlEvent(name, dial, deviceID_, std::move(payload));
  };
  if (control == "left" || control == "right") {
    return {event("dialRotate", {{"ticks", control == "right" ? 1 : -1}, {"pressed", false}})};
  }
  if (control == "push") return {event("dialDown", {}), event("dialUp", {})};
  if (control == "touch") {
    const json::array at{std::clamp(tapX, 0, segmentWidth - 1), std::clamp(tapY, 0, segmentHeight - 1)};
    return {event("touchTap", {{"tapPos", at}, {"hold", false}})};
  }
  return {};
}

}  // namespace vantry::deck
