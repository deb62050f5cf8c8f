#pragma once

#include "app/vantry_pro_deck_plugin.hpp"
#include "platform/base64.hpp"
#include "support/run_until.hpp"
#include "support/status_json.hpp"
#include "support/test_bridge_server.hpp"
#include "support/test_host_server.hpp"

#include <boost/json.hpp>

#include <string>
#include <vector>

namespace vantry::test {

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

inline std::vector<Sent> sentOn(const TestHostServer::Connection& connection) {
  std::vector<Sent> out;
  for (const auto& r : connection.received) {
    auto object = boost::json::parse(r.text).as_object();
    const auto* context = object.if_contains("context");
    out.push_back({std::string(object.at("event").as_string()), context ? std::string(context->as_string()) : "",
                   std::move(object)});
  }
  return out;
}

inline std::vector<Sent> sentEvents(const TestHostServer::Connection& connection, const std::string& event) {
  auto out = sentOn(connection);
  std::erase_if(out, [&](const Sent& s) { return s.event != event; });
  return out;
}

// A key of the given kind, or the action named, comes into view.
inline std::string willAppear(const std::string& context, std::string_view action) {
  return boost::json::serialize(boost::json::object{
      {"event", "willAppear"}, {"context", context}, {"action", action}, {"device", "DEV1"},
      {"payload", {{"settings", boost::json::object{}}, {"isInMultiAction", false}}}});
}
inline std::string willAppear(const std::string& context, DeckActionKind kind) { return willAppear(context, rawValue(kind)); }

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
  // its first connection has registered.
  bool startAndRegister(bool pollsOnTimer = true) {
    settings.pollsStatusOnTimer = pollsOnTimer;
    plugin = VantryProDeckPlugin::make(launchArguments("/tmp/bundle/bin/VantryProDeckPlugin", host.port()), context, settings);
    plugin->start();
    return until([&] { return host.latest() && !host.latest()->received.empty(); });
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
