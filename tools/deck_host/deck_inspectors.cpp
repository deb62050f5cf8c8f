#include "deck_host.hpp"

#include "host/host_messages.hpp"

#include <boost/json/serialize.hpp>

#include <algorithm>

// The property inspectors' connections, and the settings and messages the host passes between them
// and the plugin.
namespace vantry::deck {

namespace json = boost::json;

namespace {

// Each browser tab of the page may show one; a few are plenty.
constexpr std::size_t inspectorLimit = 8;

// The payload to keep as settings: a JSON object of at most settingsBytes as text.
const json::object* settingsPayload(const json::object& message) {
  const auto* payload = message.if_contains("payload");
  if (!payload || !payload->is_object() || json::serialize(*payload).size() > settingsBytes) return nullptr;
  return &payload->get_object();
}

}  // namespace

void DeckHost::onInspectorRegistered(const Peer& session, const std::string& context) {
  if (inspectors_.size() >= inspectorLimit) {
    note("more than " + std::to_string(inspectorLimit) + " property inspectors at once; closing the newest");
    return session->close();
  }
  const bool appears = !isInspected(context);
  inspectors_.emplace(session, context);
  if (appears) sendTo(pluginSession_, deck_.inspectorEvent("propertyInspectorDidAppear", *deck_.control(context)));
}

void DeckHost::onInspectorEnded(const Peer& session) {
  const auto inspector = inspectors_.find(session);
  if (inspector == inspectors_.end()) return;
  const auto context = inspector->second;
  inspectors_.erase(inspector);
  if (!isInspected(context)) {
    sendTo(pluginSession_, deck_.inspectorEvent("propertyInspectorDidDisappear", *deck_.control(context)));
  }
}

bool DeckHost::isInspected(std::string_view context) const {
  return std::ranges::any_of(inspectors_, [&](const auto& inspector) { return inspector.second == context; });
}

bool DeckHost::relay(const Peer& from, const json::object& message, std::string_view context) {
  const auto event = textMember(message, "event").value_or("");
  const bool fromPlugin = from == pluginSession_;
  auto* control = deck_.control(context);
  const bool global = event == "setGlobalSettings" || event == "getGlobalSettings";
  if (global || event == "setSettings" || event == "getSettings") {
    if (!global && !control) return true;
    if (event.starts_with("set")) {
      const auto* settings = settingsPayload(message);
      if (!settings) {
        note("refused settings that are no JSON object of at most " + std::to_string(settingsBytes) + " bytes");
        return true;
      }
      if (global) {
        globalSettings_ = *settings;
      } else {
        (*control)["settings"] = *settings;
        broadcast(Deck::pageUpdate(*control));
      }
    }
    const json::object globalUpdate{{"event", "didReceiveGlobalSettings"}, {"payload", {{"settings", globalSettings_}}}};
    const auto update = global ? globalUpdate : deck_.settingsEvent(*control);
    if (event.starts_with("get")) {
      sendTo(from, update);
    } else {
      // Like the host, the sender does not hear its own change back.
      if (!fromPlugin) sendTo(pluginSession_, update);
      sendToInspectors(update, global ? "" : context, from);
    }
    return true;
  }
  const bool toPlugin = event == "sendToPlugin" && !fromPlugin;
  if (!toPlugin && !(event == "sendToPropertyInspector" && fromPlugin)) return false;
  if (!control) return true;
  const auto* payload = message.if_contains("payload");
  const json::object passed{{"event", event}, {"action", control->at("action")}, {"context", context},
                            {"payload", payload ? *payload : json::object{}}};
  if (toPlugin) {
    sendTo(pluginSession_, passed);
  } else {
    sendToInspectors(passed, context, nullptr);
  }
  return true;
}

void DeckHost::sendTo(const Peer& peer, const json::object& message) {
  if (peer && peer->isOpen()) peer->send(json::serialize(message));
}

void DeckHost::sendToInspectors(const json::object& message, std::string_view context, const Peer& sender) {
  for (const auto& [inspector, inspected] : inspectors_) {
    if (inspector != sender && (context.empty() || inspected == context)) sendTo(inspector, message);
  }
}

}  // namespace vantry::deck
