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

std::optional<HostEvent> parseHostEvent(std::string_view text) {
  boost::system::error_code error;
  const auto value = json::parse(text, error);
  if (error || !value.is_object()) return std::nullopt;
  const auto& message = value.get_object();
  const auto event = textMember(message, "event");
  if (!event) return std::nullopt;

  if (*event == "willAppear") {
    auto context = textMember(message, "context");
    const auto action = textMember(message, "action");
    if (!context || !action) return std::nullopt;
    if (*action == transportDialIdentifier()) return DialWillAppear{std::move(*context)};
    const auto kind = deckActionKindFromIdentifier(*action);
    if (!kind) return std::nullopt;
    return WillAppear{std::move(*context), *kind};
  }
  if (*event == "willDisappear") {
    auto context = textMember(message, "context");
    if (!context) return std::nullopt;
    return WillDisappear{std::move(*context)};
  }
  if (*event == "keyDown") {
    auto context = textMember(message, "context");
    if (!context) return std::nullopt;
    return KeyDown{std::move(*context)};
  }
  if (*event == "applicationDidLaunch" || *event == "deviceDidConnect") return StatusRefreshRequest{};
  if (*event == "dialRotate" || *event == "dialDown" || *event == "touchTap") {
    auto context = textMember(message, "context");
    if (!context) return std::nullopt;
    if (*event == "dialDown") return DialDown{std::move(*context)};
    if (*event == "touchTap") return TouchTap{std::move(*context)};
    const auto* payload = message.if_contains("payload");
    const auto* ticks = payload && payload->is_object() ? payload->get_object().if_contains("ticks") : nullptr;
    if (!ticks || !ticks->is_int64()) return std::nullopt;
    return DialRotate{std::move(*context), ticks->get_int64()};
  }
  return std::nullopt;
}

json::object registrationMessage(std::string_view registerEvent, std::string_view pluginUUID) {
  return {{"event", registerEvent}, {"uuid", pluginUUID}};
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
