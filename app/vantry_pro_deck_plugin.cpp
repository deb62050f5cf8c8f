#include "app/vantry_pro_deck_plugin.hpp"

#include "app/launch_values.hpp"

#include <boost/asio/executor_work_guard.hpp>

#include <cstdio>

namespace vantry {

std::shared_ptr<VantryProDeckPlugin> VantryProDeckPlugin::make(const std::vector<std::string>& arguments,
                                                               boost::asio::io_context& context,
                                                               PluginSettings settings,
                                                               std::optional<std::filesystem::path> programPath) {
  auto values = readLaunchValues(arguments);
  if (!values) {
    std::fputs("VantryProDeckPlugin: missing Stream Deck launch arguments.\n", stderr);
    return nullptr;
  }
  if (!programPath) programPath = arguments.front();
  return std::shared_ptr<VantryProDeckPlugin>(new VantryProDeckPlugin(
      values->streamDeckPort, std::move(values->pluginUUID), std::move(values->registerEvent),
      std::move(*programPath), context, std::move(settings)));
}

VantryProDeckPlugin::VantryProDeckPlugin(std::int64_t port, std::string uuid, std::string event,
                                         std::filesystem::path programPath, boost::asio::io_context& context,
                                         PluginSettings settings)
    : streamDeckPort(port),
      pluginUUID(std::move(uuid)),
      registerEvent(std::move(event)),
      bridgeBaseURL(std::move(settings.bridgeBaseURL)),
      statusURL_(statusAddress(bridgeBaseURL)),
      defaultBridgePort(bridgeBaseURL.port_number()),
      queue(context),
      urlSession(context, settings.httpLimits),
      hostHasEnded(std::move(settings.hostHasEnded)),
      pollsStatusOnTimer(settings.pollsStatusOnTimer),
      programPath_(std::move(programPath)) {}

void VantryProDeckPlugin::start() {
  queue.submit([self = shared_from_this()] {
    self->connectWebSocket();
    if (self->pollsStatusOnTimer) self->startStatusPolling();
  });
}

void VantryProDeckPlugin::run() {
  start();
  auto& context = queue.context();
  // The status timer keeps the loop busy anyway; the guard makes "for good" explicit.
  const auto guard = boost::asio::make_work_guard(context);
  for (;;) context.run();
}

}  // namespace vantry
