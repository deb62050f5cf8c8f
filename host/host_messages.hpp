#pragma once

#include "render/deck_action_kind.hpp"

#include <boost/json/object.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace vantry {

// The host events the plugin acts on, read from one message text.
struct WillAppear {
  std::string context;
  DeckActionKind kind;
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

using HostEvent = std::variant<WillAppear, WillDisappear, KeyDown, StatusRefreshRequest, DialWillAppear, DialRotate,
                               DialDown, TouchTap>;

// Nothing for every message the plugin does not act on: not JSON, not an object, an unknown event,
// a missing or non-text member, or an action identifier of some other plugin.
std::optional<HostEvent> parseHostEvent(std::string_view text);

// The member's text; nothing when it is missing or not text.
std::optional<std::string> textMember(const boost::json::object& object, std::string_view key);

boost::json::object registrationMessage(std::string_view registerEvent, std::string_view pluginUUID);

// {"event", "context"} plus "payload" only when one is given.
boost::json::object eventEnvelope(std::string_view event, std::string_view context,
                                  const boost::json::object* payload = nullptr);

boost::json::object imagePayload(std::string_view image);
boost::json::object emptyTitlePayload();

// The compact JSON text of a message, or nothing when it is not valid UTF-8.
std::optional<std::string> wireText(const boost::json::object& message);

}  // namespace vantry
