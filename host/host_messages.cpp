#include "host/host_messages.hpp"

#include <boost/json/monotonic_resource.hpp>
#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>

namespace vantry {

namespace json = boost::json;

std::optional<std::string> textMember(const json::object& object, std::string_view key) {
  const auto* v = object.if_contains(key);
  if (!v || !v->is_string()) return std::nullopt;
  return std::string(v->get_string());
}

namespace {

// The message's payload member, when the payload is an object that has it.
const json::value* payloadMember(const json::object& message, std::string_view key) {
  const auto* payload = message.if_contains("payload");
  return payload && payload->is_object() ? payload->get_object().if_contains(key) : nullptr;
}

std::optional<std::uint16_t> bridgePortSetting(const json::value* settings) {
  const auto* port = settings && settings->is_object() ? settings->get_object().if_contains("bridgePort") : nullptr;
  if (!port || !port->is_int64() || port->get_int64() < 1 || port->get_int64() > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(port->get_int64());
}

}  // namespace

std::optional<HostEvent> parseHostEvent(std::string_view text) {
  boost::system::error_code error;
  const auto value = json::parse(text, error);
  if (error || !value.is_object()) return std::nullopt;
  const auto& message = value.get_object();
  const auto event = textMember(message, "event");
  if (!event) return std::nullopt;

  if (*event == "didReceiveGlobalSettings") return GlobalSettings{bridgePortSetting(payloadMember(message, "settings"))};
  if (*event == "applicationDidLaunch" || *event == "deviceDidConnect") return StatusRefreshRequest{};
  auto context = textMember(message, "context");
  if (!context) return std::nullopt;
  const auto settings = readDisplaySettings(payloadMember(message, "settings"));

  if (*event == "willAppear") {
    const auto action = textMember(message, "action");
    if (!action) return std::nullopt;
    if (*action == transportDialIdentifier()) return DialWillAppear{std::move(*context), settings};
    const auto kind = deckActionKindFromIdentifier(*action);
    if (!kind) return std::nullopt;
    return WillAppear{std::move(*context), *kind, settings};
  }
  if (*event == "willDisappear") return WillDisappear{std::move(*context)};
  if (*event == "keyDown") return KeyDown{std::move(*context)};
  if (*event == "dialDown") return DialDown{std::move(*context)};
  if (*event == "touchTap") return TouchTap{std::move(*context)};
  if (*event == "dialRotate") {
    const auto* ticks = payloadMember(message, "ticks");
    if (!ticks || !ticks->is_int64()) return std::nullopt;
    return DialRotate{std::move(*context), ticks->get_int64()};
  }
  if (*event == "didReceiveSettings") return DidReceiveSettings{std::move(*context), settings};
  if (*event == "propertyInspectorDidAppear") return InspectorAppeared{std::move(*context)};
  if (*event == "propertyInspectorDidDisappear") return InspectorDisappeared{std::move(*context)};
  if (*event == "sendToPlugin") {
    const auto* request = payloadMember(message, "request");
    if (!request || !request->is_string() || request->get_string() != "checkNow") return std::nullopt;
    return CheckNowRequest{std::move(*context)};
  }
  return std::nullopt;
}

json::object registrationMessage(std::string_view registerEvent, std::string_view pluginUUID) {
  return {{"event", registerEvent}, {"uuid", pluginUUID}};
}

json::object globalSettingsRequest(std::string_view pluginUUID) {
  return {{"event", "getGlobalSettings"}, {"context", pluginUUID}};
}

json::object eventEnvelope(std::string_view event, std::string_view context, const json::object* payload) {
  json::object envelope{{"event", event}, {"context", context}};
  if (payload) envelope["payload"] = *payload;
  return envelope;
}

json::object imagePayload(std::string_view image) { return {{"image", image}, {"target", 0}}; }

json::object emptyTitlePayload() { return {{"title", ""}, {"target", 0}}; }

std::optional<std::string> wireText(const json::object& message) {
  auto text = json::serialize(message);
  // The writer copies text as it is; the parser refuses text that is not UTF-8, which the host
  // must never get.
  json::monotonic_resource scratch;
  boost::system::error_code error;
  json::parse(text, error, &scratch);
  if (error) return std::nullopt;
  return text;
}

}  // namespace vantry
