// The plugin's handling of one host message. One controller lives for the whole run, connected to
// a recording stand-in host and to a stand-in bridge that answers every request with a status;
// before each message its keys are set back to one of each kind, so the table cannot grow.
#include "host/host_messages.hpp"
#include "support/plugin_harness.hpp"
#include "fuzz_check.hpp"

namespace {

struct Fixture : vantry::test::PluginHarness {
  Fixture() {
    bridge.keepConnections = true;
    // The host connection without the status timer: every bridge request comes from a message.
    plugin->connectWebSocket();
    check(until([&] { return host.latest() && !host.latest()->received.empty(); }), "no registration");
  }

  // Bridge requests the message leads to: a command press asks for the action and then the status,
  // a display key's press and a refresh request only for the status.
  std::size_t expectedRequests(std::string_view text) const {
    const auto event = vantry::parseHostEvent(text);
    if (event && std::holds_alternative<vantry::StatusRefreshRequest>(*event)) return 1;
    const auto* press = event ? std::get_if<vantry::KeyDown>(&*event) : nullptr;
    const auto found = press ? plugin->contextsByID.find(press->context) : plugin->contextsByID.end();
    if (found == plugin->contextsByID.end()) return 0;
    return vantry::bridgeCommand(found->second) ? 2 : 1;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture f;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto& plugin = *f.plugin;
  plugin.contextsByID.clear();
  // The contexts the seeds name: "key-<n>" for the n-th action kind.
  for (std::size_t n = 0; n < vantry::allDeckActionKinds.size(); ++n) {
    plugin.contextsByID["key-" + std::to_string(n)] = vantry::allDeckActionKinds[n];
  }
  plugin.latestStatus.reset();
  f.host.latest()->received.clear();
  f.bridge.requests.clear();

  const auto expected = f.expectedRequests(text);
  plugin.handleIncomingJSONText(text);
  check(f.until([&] { return f.bridge.requests.size() >= expected && !plugin.isPollingStatus; }),
        "bridge requests did not finish");
  f.context.restart();
  f.context.poll();
  check(f.bridge.requests.size() == expected, "unexpected number of bridge requests");
  check(!f.host.latest()->closed, "host connection lost");
  // Everything the plugin sent the host must be a JSON object naming an event and a context.
  for (const auto& sent : f.host.latest()->received) {
    boost::system::error_code error;
    const auto value = boost::json::parse(sent.text, error);
    const auto* object = error ? nullptr : value.if_object();
    const auto* event = object ? object->if_contains("event") : nullptr;
    const auto* context = object ? object->if_contains("context") : nullptr;
    check(event && event->is_string() && context && context->is_string(), "sent a message without event or context");
  }
  return 0;
}
