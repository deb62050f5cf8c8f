#include "host/host_connection.hpp"

#include "app/vantry_pro_deck_plugin.hpp"
#include "host/host_messages.hpp"

#include <boost/url/parse.hpp>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace vantry {

std::optional<boost::urls::url> hostWebSocketAddress(std::int64_t port) {
  const auto text = "ws://127.0.0.1:" + std::to_string(port);
  auto parsed = boost::urls::parse_absolute_uri(text);
  if (!parsed || !parsed->has_port()) return std::nullopt;
  // The URL parser takes any digits as a port and its port number wraps above 65535, so the
  // port text itself decides.
  const auto portText = parsed->port();
  std::uint16_t number = 0;
  const auto [end, error] = std::from_chars(portText.data(), portText.data() + portText.size(), number);
  if (error != std::errc() || end != portText.data() + portText.size() || number == 0) return std::nullopt;
  return boost::urls::url(*parsed);
}

void VantryProDeckPlugin::connectWebSocket() {
  const auto address = hostWebSocketAddress(streamDeckPort);
  if (!address) {
    std::fputs("VantryProDeckPlugin: invalid websocket URL.\n", stderr);
    return;
  }
  // A new connection's host has none of the dials' strips yet.
  for (auto& [context, dial] : dialsByID) dial.sentFeedback.reset();
  // A failed connection is replaced, not closed: its task ends by itself.
  socketTask = urlSession.webSocketTask(*address);
  socketTask->resume();
  sendJSON(registrationMessage(registerEvent, pluginUUID));
  // The user's bridge port may have changed while the plugin was away.
  sendJSON(globalSettingsRequest(pluginUUID));
  receiveLoop();
}

void VantryProDeckPlugin::receiveLoop() {
  if (!socketTask) return;
  socketTask->receive([weak = weak_from_this()](std::optional<WebSocketMessage> message) {
    const auto self = weak.lock();
    if (!self) return;
    if (!message) {
      // A host that comes back starts a plugin of its own, so one whose host has ended is done. The
      // process that started the plugin may have been only a launcher, though: the host has ended
      // only when its port no longer takes connections too.
      if (self->socketTask->refused() && self->hostHasEnded()) std::exit(0);
      self->queue.submitAfter(reconnectDelay, [self] { self->connectWebSocket(); });
      return;
    }
    self->queue.submit([self, message = std::move(*message)] {
      // Binary messages are read as text too: the JSON parser refuses text that is not UTF-8, so
      // such a message is dropped there.
      self->handleIncomingJSONText(message.data);
      self->receiveLoop();
    });
  });
}

bool VantryProDeckPlugin::sendEvent(std::string_view event, std::string_view context,
                                    const boost::json::object* payload) {
  return sendJSON(eventEnvelope(event, context, payload));
}

bool VantryProDeckPlugin::sendJSON(const boost::json::object& message) {
  auto text = wireText(message);
  return text && sendText(*text);
}

bool VantryProDeckPlugin::sendText(std::string_view text) { return socketTask && socketTask->send(text); }

}  // namespace vantry
