#include "deck_dials.hpp"

#include "render/deck_action_kind.hpp"

#include <algorithm>

namespace vantry::deck {

namespace json = boost::json;

namespace {

constexpr int dialCount = 4;
constexpr int segmentWidth = 200;
constexpr int segmentHeight = 100;

json::object basePayload(const DeckDial& dial) {
  return {{"controller", "Encoder"},
          {"coordinates", {{"column", dial.column}, {"row", 0}}},
          {"settings", json::object{}}};
}

json::object dialEvent(std::string_view event, const DeckDial& dial, const DeckDevice& device, json::object payload) {
  return {{"event", event},
          {"action", transportDialIdentifier()},
          {"context", dial.context},
          {"device", device.id},
          {"payload", std::move(payload)}};
}

json::object rotation(const DeckDial& dial, const DeckDevice& device, int ticks) {
  auto payload = basePayload(dial);
  payload["ticks"] = ticks;
  payload["pressed"] = false;
  return dialEvent("dialRotate", dial, device, std::move(payload));
}

// A layout item comes either bare or as an object whose "value" member carries it.
const json::value* feedbackItem(const json::object& payload, std::string_view key) {
  const auto* item = payload.if_contains(key);
  if (item && item->is_object()) return item->get_object().if_contains("value");
  return item;
}

void mergeText(std::string& field, const json::object& payload, std::string_view key) {
  if (const auto* item = feedbackItem(payload, key); item && item->is_string()) field = item->get_string();
}

}  // namespace

std::vector<DeckDial> defaultDials(std::mt19937_64& random) {
  std::vector<DeckDial> dials;
  for (int column = 0; column < dialCount; ++column) {
    DeckDial dial;
    dial.context = randomHex(random);
    dial.column = column;
    dials.push_back(std::move(dial));
  }
  return dials;
}

json::object willAppear(const DeckDial& dial, const DeckDevice& device) {
  auto payload = basePayload(dial);
  payload["isInMultiAction"] = false;
  payload["state"] = 0;
  return dialEvent("willAppear", dial, device, std::move(payload));
}

std::vector<json::object> dialControlEvents(std::string_view control, const DeckDial& dial, const DeckDevice& device,
                                            int tapX, int tapY) {
  if (control == "left" || control == "right") return {rotation(dial, device, control == "right" ? 1 : -1)};
  if (control == "push") {
    return {dialEvent("dialDown", dial, device, basePayload(dial)), dialEvent("dialUp", dial, device, basePayload(dial))};
  }
  if (control == "touch") {
    auto payload = basePayload(dial);
    payload["tapPos"] = {std::clamp(tapX, 0, segmentWidth - 1), std::clamp(tapY, 0, segmentHeight - 1)};
    payload["hold"] = false;
    return {dialEvent("touchTap", dial, device, std::move(payload))};
  }
  return {};
}

bool applyDialMessage(DeckDial& dial, std::string_view event, const json::object* payload) {
  if (event == "showAlert") {
    ++dial.markCount;
    return true;
  }
  if (event != "setFeedback" || !payload) return false;
  // Like the real host, items the message does not name keep what they showed.
  mergeText(dial.title, *payload, "title");
  mergeText(dial.value, *payload, "value");
  mergeText(dial.icon, *payload, "icon");
  if (const auto* item = feedbackItem(*payload, "indicator"); item && item->is_number()) {
    dial.indicator = std::clamp(item->to_number<double>(), 0.0, 100.0);
  }
  ++dial.feedbackCount;
  return true;
}

json::object dialState(const DeckDial& dial) {
  return {{"context", dial.context},
          {"action", transportDialIdentifier()},
          {"name", "transportdial"},
          {"column", dial.column},
          {"title", dial.title},
          {"value", dial.value},
          {"indicator", dial.indicator},
          {"icon", dial.icon},
          {"feedbackCount", dial.feedbackCount},
          {"markCount", dial.markCount}};
}

}  // namespace vantry::deck
