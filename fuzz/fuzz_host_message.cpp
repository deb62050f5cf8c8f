// The plugin's handling of one host message. One controller lives for the whole run, connected to
// a recording stand-in host and to a stand-in bridge that answers every request with a status;
// before each message its keys are set back to one of each kind, so the table cannot grow.
#include "app/vantry_pro_deck_plugin.hpp"
#include "host/host_messages.hpp"
#include "loopback_reply_server.hpp"
#include "support/test_host_server.hpp"

#include <boost/json/parse.hpp>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr std::string_view statusBody =
    R"({"bridgeEnabled":true,"bridgePort":48187,"appName":"Vantry Pro","bundleIdentifier":"vesk.quillfern.vantrypro",)"
    R"("role":"primary","playbackState":"playing","selectedClipID":"clip-1","selectedClipTitle":"Opening",)"
    R"("currentTime":3725.5,"duration":7200,"canStartPlaybackNow":true,"syncStartCountdownSecondsRemaining":3,)"
    R"("libraryCount":4,"playlistCount":2,"connectedVisionClients":1,"endlessLoopEnabled":true,)"
    R"("uploadReadyCount":3,"uploadTotalCount":3,"uploadProgressFraction":1.0})";

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "fuzz_host_message: %s\n", what);
  std::abort();
}

// The contexts the seeds name: "key-<n>" for the n-th action kind.
std::string keyContext(std::size_t n) { return "key-" + std::to_string(n); }

struct Fixture {
  Fixture() {
    bridge.reply = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: " +
                   std::to_string(statusBody.size()) + "\r\n\r\n" + std::string(statusBody);
    plugin = vantry::VantryProDeckPlugin::make(
        {"/nonexistent/bin/VantryProDeckPlugin", "-port", std::to_string(host.port()), "-pluginUUID",
         "0123456789ABCDEF0123456789ABCDEF", "-registerEvent", "registerPlugin"},
        context,
        vantry::PluginSettings{boost::urls::url("http://127.0.0.1:" + std::to_string(bridge.port())),
                               vantry::HttpLimits{500ms, 64 * 1024}});
    if (!plugin) fail("no plugin");
    // The host connection without the status timer: every bridge request comes from a message.
    plugin->connectWebSocket();
    runUntil([&] { return host.latest() && !host.latest()->received.empty(); }, "no registration");
    host.latest()->received.clear();
  }

  void runUntil(const std::function<bool()>& done, const char* what) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) fail(what);
      context.restart();
      context.run_one_for(10ms);
    }
  }

  // Bridge requests the message leads to: a command press asks for the action and then the status,
  // a display key's press and a refresh request only for the status.
  std::size_t expectedRequests(std::string_view text) const {
    const auto event = vantry::parseHostEvent(text);
    if (!event) return 0;
    if (std::holds_alternative<vantry::StatusRefreshRequest>(*event)) return 1;
    if (const auto* press = std::get_if<vantry::KeyDown>(&*event)) {
      const auto found = plugin->contextsByID.find(press->context);
      if (found == plugin->contextsByID.end()) return 0;
      return vantry::bridgeCommand(found->second) ? 2 : 1;
    }
    return 0;
  }

  // Everything the plugin sent the host must be a JSON object naming an event and a context.
  void checkSent() {
    auto& received = host.latest()->received;
    for (const auto& r : received) {
      boost::system::error_code error;
      const auto value = boost::json::parse(r.text, error);
      if (error || !value.is_object()) fail("sent a message that is not a JSON object");
      const auto& object = value.get_object();
      const auto* event = object.if_contains("event");
      const auto* key = object.if_contains("context");
      if (!event || !event->is_string() || !key || !key->is_string()) fail("sent a message without event or context");
    }
    received.clear();
  }

  boost::asio::io_context context;
  vantry::test::TestHostServer host{context};
  vantry::fuzz::LoopbackReplyServer bridge{context};
  std::shared_ptr<vantry::VantryProDeckPlugin> plugin;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture f;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  auto& plugin = *f.plugin;
  plugin.contextsByID.clear();
  for (std::size_t n = 0; n < vantry::allDeckActionKinds.size(); ++n) {
    plugin.contextsByID[keyContext(n)] = vantry::allDeckActionKinds[n];
  }
  plugin.latestStatus.reset();

  const auto expected = f.expectedRequests(text);
  const auto servedBefore = f.bridge.served;
  plugin.handleIncomingJSONText(text);
  f.runUntil([&] { return f.bridge.served >= servedBefore + expected && f.bridge.open == 0 && !plugin.isPollingStatus; },
             "bridge requests did not finish");
  f.context.restart();
  f.context.poll();
  if (f.bridge.served != servedBefore + expected) fail("unexpected number of bridge requests");
  if (!f.host.latest() || f.host.latest()->closed) fail("host connection lost");
  f.checkSent();
  return 0;
}
