#pragma once

#include "render/deck_action_kind.hpp"
#include "render/display_settings.hpp"

#include <boost/json/object.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vantry {

// The host events the plugin acts on, read from one message text. A key or dial comes with the
// settings its user gave it, which the host keeps.
struct WillAppear {
  std::string context;
  DeckActionKind kind;
  DisplaySettings settings;
};
struct WillDisappear {
  std::string context;
};
struct KeyDown {
  std::string context;
};
// "applicationDidLaunch" and "deviceDidConnect": the application's state may have changed.
struct StatusRefreshRequest {};
// The transport dial: it appears, is turned by signed ticks (clockwise positive), is pushed, or
// its strip is touched (short or held alike).
struct DialWillAppear {
  std::string context;
  DisplaySettings settings;
};
struct DialRotate {
  std::string context;
  std::int64_t ticks = 0;
};
struct DialDown {
  std::string context;
};
struct TouchTap {
  std::string context;
};

// The user changed a key's settings in its property inspector.
struct DidReceiveSettings {
  std::string context;
  DisplaySettings settings;
};
// A key's property inspector opens or closes.
struct InspectorAppeared {
  std::string context;
};
struct InspectorDisappeared {
  std::string context;
};
// The property inspector's "Check now": {"request": "checkNow"} sent to the plugin.
struct CheckNowRequest {
  std::string context;
};
// The plugin-wide settings: the bridge's port, when one is given as a whole number 1 to 65535.
struct GlobalSettings {
  std::optional<std::uint16_t> bridgePort;
};

using HostEvent = std::variant<WillAppear, WillDisappear, KeyDown, StatusRefreshRequest, DialWillAppear, DialRotate,
                               DialDown, TouchTap, DidReceiveSettings, InspectorAppeared, InspectorDisappeared,
                               CheckNowRequest, GlobalSettings>;

// Nothing for every message the plugin does not act on: not JSON, not an object, an unknown event,
// a missing or non-text member, or an action identifier of some other plugin.
std::optional<HostEvent> parseHostEvent(std::string_view text);

// The member's text; nothing when it is missing or not text.
std::optional<std::string> textMember(const boost::json::object& object, std::string_view key);

boost::json::object registrationMessage(std::string_view registerEvent, std::string_view pluginUUID);
// Asks the host for the plugin-wide settings, which come back as "didReceiveGlobalSettings".
boost::json::object globalSettingsRequest(std::string_view pluginUUID);

// {"event", "context"} plus "payload" only when one is given.
boost::json::object eventEnvelope(std::string_view event, std::string_view context,
                                  const boost::json::object* payload = nullptr);

boost::json::object imagePayload(std::string_view image);
boost::json::object emptyTitlePayload();

// The compact JSON text of a message, or nothing when it is not valid UTF-8.
std::optional<std::string> wireText(const boost::json::object& message);

}  // namespace vantry
