#include "deck_state.hpp"

#include "host/host_messages.hpp"

#include <algorithm>

namespace vantry::deck {

namespace json = boost::json;

namespace {

template <typename Control>
Control* byContext(std::vector<Control>& controls, std::string_view context) {
  const auto found = std::ranges::find(controls, context, &Control::context);
  return found == controls.end() ? nullptr : &*found;
}

json::object markUpdate(const std::string& context, const std::string& mark) {
  return {{"type", "mark"}, {"context", context}, {"mark", mark}};
}

}  // namespace

DeckState::DeckState(std::mt19937_64& random) : keys(defaultLayout(random)), dials(defaultDials(random)) {
  device.id = randomHex(random);
}

DeckKey* DeckState::key(std::string_view context) { return byContext(keys, context); }
DeckDial* DeckState::dial(std::string_view context) { return byContext(dials, context); }

std::vector<json::object> DeckState::apply(const json::object& message) {
  const auto event = textMember(message, "event").value_or("");
  const auto context = textMember(message, "context").value_or("");
  const auto* payloadValue = message.if_contains("payload");
  const auto* payload = payloadValue && payloadValue->is_object() ? &payloadValue->get_object() : nullptr;
  std::vector<json::object> updates;
  if (auto* d = dial(context); d && applyDialMessage(*d, event, payload)) {
    if (event == "showAlert") updates.push_back(markUpdate(d->context, "alert"));
    updates.push_back({{"type", "dial"}, {"dial", dialState(*d)}});
  } else if (auto* k = key(context); k && applyKeyMessage(*k, event, payload)) {
    if (event == "showOk" || event == "showAlert") updates.push_back(markUpdate(k->context, k->mark));
    updates.push_back({{"type", "key"}, {"key", keyState(*k)}});
  }
  return updates;
}

json::object DeckState::state() const {
  json::array keyStates;
  for (const auto& k : keys) keyStates.push_back(keyState(k));
  json::array dialStates;
  for (const auto& d : dials) dialStates.push_back(dialState(d));
  return {{"device", deviceState(device)}, {"keys", std::move(keyStates)}, {"dials", std::move(dialStates)}};
}

}  // namespace vantry::deck
