// The plugin's handling of one host message. One controller lives for the whole run, connected to
// a recording stand-in host and to a stand-in bridge that answers every request with the same status;
// before each message its keys are set back to one of each kind and one dial, so the tables cannot
// grow and nothing of one message's seeks reaches the next.
#include "host/host_messages.hpp"
#include "support/plugin_harness.hpp"
#include "fuzz_check.hpp"

using namespace vantry;
using namespace vantry::test;

namespace {

struct Fixture : PluginHarness {
  Fixture() {
    bridge.keepConnections = true;
    // Without the status timer: every bridge request comes from a message.
    check(startAndRegister(false), "no registration");
    // The contexts the seeds name: "key-<n>" for the n-th action kind, and "dial".
    for (std::size_t n = 0; n < allDeckActionKinds.size(); ++n) seeds["key-" + std::to_string(n)] = allDeckActionKinds[n];
    plugin->handleIncomingJSONText(R"({"event":"applicationDidLaunch"})");
    check(until([&] { return plugin->status() && !plugin->pollInFlight(); }), "no status");
  }

  // Bridge requests the message leads to: a command press asks for the action and then the status,
  // a display key's press and a refresh request only for the status; the dial's turn one seek a
  // tick (eight at most) and then the status, its push the play/pause command and the status, its
  // touch the status; "Check now" from a key or dial on the deck, the status.
  std::size_t expectedRequests(std::string_view text) const {
    const auto event = parseHostEvent(text);
    if (event && std::holds_alternative<StatusRefreshRequest>(*event)) return 1;
    if (const auto* turn = event ? std::get_if<DialRotate>(&*event) : nullptr; turn && turn->context == "dial") {
      const auto ticks = std::clamp<std::int64_t>(turn->ticks, -8, 8);
      return ticks == 0 ? 0 : static_cast<std::size_t>(ticks < 0 ? -ticks : ticks) + 1;
    }
    if (const auto* check = event ? std::get_if<CheckNowRequest>(&*event) : nullptr) {
      return check->context == "dial" || seeds.contains(check->context) ? 1 : 0;
    }
    if (const auto* push = event ? std::get_if<DialDown>(&*event) : nullptr; push && push->context == "dial") return 2;
    if (const auto* touch = event ? std::get_if<TouchTap>(&*event) : nullptr; touch && touch->context == "dial") return 1;
    const auto* press = event ? std::get_if<KeyDown>(&*event) : nullptr;
    if (!press || !seeds.contains(press->context)) return 0;
    return bridgeCommand(seeds.at(press->context)) ? 2 : 1;
  }

  std::unordered_map<std::string, DeckActionKind> seeds;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture f;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  auto& plugin = *f.plugin;
  // Keys and dials that came or went with the last message go or come back, as a host would tell it.
  if (plugin.keysOnDeck() != f.seeds || plugin.dialsOnDeck().size() != 1 || !plugin.dialsOnDeck().contains("dial")) {
    const auto gone = [&](const std::string& context) {
      plugin.handleIncomingJSONText(boost::json::serialize(boost::json::object{{"event", "willDisappear"}, {"context", context}}));
    };
    for (const auto& [context, kind] : std::unordered_map(plugin.keysOnDeck())) gone(context);
    for (const auto& [context, dial] : std::unordered_map(plugin.dialsOnDeck())) gone(context);
    for (const auto& [context, kind] : f.seeds) plugin.handleIncomingJSONText(willAppear(context, kind));
    plugin.handleIncomingJSONText(willAppear("dial", transportDialIdentifier()));
  }
  // The bridge port a message may have moved goes back to the stand-in's.
  plugin.handleIncomingJSONText(R"({"event":"didReceiveGlobalSettings","payload":{"settings":{"bridgePort":)" +
                                std::to_string(f.bridge.port()) + "}}}");
  f.host.latest()->received.clear();
  f.bridge.requests.clear();

  const auto expected = f.expectedRequests(text);
  plugin.handleIncomingJSONText(text);
  check(f.until([&] {
    return f.bridge.requests.size() >= expected && !plugin.pollInFlight() && !plugin.seeksUnderWay();
  }), "bridge requests did not finish");
  f.context.restart();
  f.context.poll();
  check(f.bridge.requests.size() == expected, "unexpected number of bridge requests");
  check(f.host.latest()->isOpen(), "host connection lost");
  // Everything the plugin sent the host must read back as a JSON object naming an event and a context,
  // and the user's settings are never written back.
  for (const auto& sent : sentEvents(*f.host.latest())) {
    check(sent.message.contains("context") && !sent.event.ends_with("etSettings"), "sent without a context, or settings");
  }
  return 0;
}
