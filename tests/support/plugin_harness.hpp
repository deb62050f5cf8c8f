#pragma once

#include "app/vantry_pro_deck_plugin.hpp"
#include "kit/http_server.hpp"
#include "kit/ws_session.hpp"
#include "platform/base64.hpp"
#include "support/status_json.hpp"

#include <boost/json.hpp>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantry::test {

using kit::httpResponse;
using kit::ScriptedReply;

// Serves the context until the condition holds or the deadline passes; true when it held.
inline bool runUntil(boost::asio::io_context& context, const std::function<bool()>& done,
                     std::chrono::steady_clock::duration timeout = std::chrono::seconds(5)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    context.restart();
    context.run_one_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Serves the context for a fixed span, for checks that something does not happen.
inline void runFor(boost::asio::io_context& context, std::chrono::steady_clock::duration span) {
  runUntil(context, [] { return false; }, span);
}

// The media bridge as the tests stand it in: the kit's server, answering each request's target from
// a script and recording every target with the time it came.
class TestBridgeServer : public kit::HttpServer {
 public:
  using Script = std::function<ScriptedReply(const std::string& target)>;

  struct Request {
    std::string target;
    std::chrono::steady_clock::time_point at;
  };

  // Port 0: a free one.
  TestBridgeServer(boost::asio::io_context& context, Script script, unsigned short fixedPort = 0)
      : kit::HttpServer(context, fixedPort, [this, script = std::move(script)](const kit::HttpRequest& request) {
          requests.push_back({std::string(request.target()), std::chrono::steady_clock::now()});
          return script(requests.back().target);
        }) {}

  std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port()); }
  std::size_t count(const std::string& target) const { return std::ranges::count(requests, target, &Request::target); }

  std::vector<Request> requests;
};

// A stand-in for the Stream Deck host: the kit's server, taking every WebSocket on loopback and
// recording every message of every connection; through the kit's sessions it pushes messages and
// pings, closes connections and stops reading.
class TestHostServer : public kit::HttpServer {
 public:
  struct Received {
    std::string text;
    std::chrono::steady_clock::time_point at;
  };
  struct Connection : kit::WsSession {
    Connection(boost::beast::tcp_stream stream, bool reading)
        : WsSession(std::move(stream), {{}, record, {}}, {}, reading) {}
    static void record(const Peer& peer, std::string text) {
      static_cast<Connection&>(*peer).received.push_back({std::move(text), std::chrono::steady_clock::now()});
    }
    std::vector<Received> received;
  };

  explicit TestHostServer(boost::asio::io_context& context)
      : HttpServer(context, 0, [](const kit::HttpRequest&) { return ScriptedReply{}; },
                   [this](kit::HttpRequest& request, boost::beast::tcp_stream& stream) {
                     connections.push_back(std::make_shared<Connection>(std::move(stream), readNewConnections));
                     connections.back()->accept(request);
                     return true;
                   }) {}

  std::shared_ptr<Connection> latest() const { return connections.empty() ? nullptr : connections.back(); }

  // New connections are accepted but not read from.
  bool readNewConnections = true;
  std::vector<std::shared_ptr<Connection>> connections;
};

// One message the plugin sent, read back as JSON.
struct Sent {
  std::string event;
  std::string context;
  boost::json::object message;

  // The picture of a "setImage", decoded from its data URL.
  std::string picture() const {
    const std::string image(message.at("payload").at("image").as_string());
    return base64Decode(image.substr(image.find(',') + 1)).value_or("");
  }
};

// What the plugin sent on the connection, all of it or only the event named.
inline std::vector<Sent> sentEvents(const TestHostServer::Connection& connection, std::string_view event = {}) {
  std::vector<Sent> out;
  for (const auto& r : connection.received) {
    auto object = boost::json::parse(r.text).as_object();
    const auto* context = object.if_contains("context");
    Sent sent{std::string(object.at("event").as_string()), context ? std::string(context->as_string()) : "",
              std::move(object)};
    if (event.empty() || sent.event == event) out.push_back(std::move(sent));
  }
  return out;
}

// A key of the given kind, or the action named, comes into view with the settings the host keeps for it.
inline std::string willAppear(const std::string& context, std::string_view action, boost::json::object settings = {}) {
  return boost::json::serialize(boost::json::object{
      {"event", "willAppear"}, {"context", context}, {"action", action}, {"device", "DEV1"},
      {"payload", {{"settings", std::move(settings)}, {"isInMultiAction", false}}}});
}
inline std::string willAppear(const std::string& context, DeckActionKind kind, boost::json::object settings = {}) {
  return willAppear(context, rawValue(kind), std::move(settings));
}

inline ScriptedReply statusReply(boost::json::object status = fullStatusObject()) {
  return ScriptedReply{httpResponse(200, boost::json::serialize(status))};
}

// The command line a host starts the plugin with, for a host listening on `port`.
inline std::vector<std::string> launchArguments(std::string program, unsigned short port) {
  return {std::move(program), "-port", std::to_string(port), "-pluginUUID", "0123456789ABCDEF0123456789ABCDEF",
          "-registerEvent", "registerPlugin"};
}

// A controller wired to a stand-in host, which never ends, and bridge on loopback.
struct PluginHarness {
  explicit PluginHarness(TestBridgeServer::Script script = [](const std::string&) { return statusReply(); },
                         HttpLimits limits = {})
      : host(context), bridge(context, std::move(script)),
        settings{boost::urls::url(bridge.baseURL()), limits, [] { return false; }} {}

  bool until(const std::function<bool()>& done, std::chrono::steady_clock::duration timeout = std::chrono::seconds(5)) {
    return runUntil(context, done, timeout);
  }

  // Starts the plugin (without the status timer: every poll comes from a message) and waits until
  // its first connection has registered, or has opened for a host that does not read.
  bool startAndRegister(bool pollsOnTimer = true) {
    settings.pollsStatusOnTimer = pollsOnTimer;
    plugin = VantryProDeckPlugin::make(launchArguments("/tmp/bundle/bin/VantryProDeckPlugin", host.port()), context, settings);
    plugin->start();
    const auto registered = [&] { return host.readNewConnections ? !host.latest()->received.empty() : host.latest()->isOpen(); };
    return until([&] { return host.latest() && registered(); });
  }

  std::size_t countOn(const std::string& event) const {
    return host.latest() ? sentEvents(*host.latest(), event).size() : 0;
  }

  boost::asio::io_context context;
  TestHostServer host;
  TestBridgeServer bridge;
  PluginSettings settings;
  std::shared_ptr<VantryProDeckPlugin> plugin;
};

}  // namespace vantry::test
