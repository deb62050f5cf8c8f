#include "app/vantry_pro_deck_plugin.hpp"
#include "bridge/connection_report.hpp"

namespace vantry {

// The user's bridge port, or the usual one when none is set; the next request goes there. Until it
// has been asked, the connection line says so.
void VantryProDeckPlugin::useBridgePort(std::optional<std::uint16_t> port) {
  const auto wanted = port.value_or(defaultBridgePort);
  if (wanted == bridgeBaseURL.port_number()) return;
  bridgeBaseURL.set_port_number(wanted);
  updateConnectionReport(connectionReport(nullptr, std::nullopt, bridgeBaseURL.host(), wanted), false);
}

// Open property inspectors hear of every change, and after "Check now" of the answer either way.
void VantryProDeckPlugin::updateConnectionReport(boost::json::object report, bool sendAnyway) {
  if (report == connectionReport_ && !sendAnyway) return;
  connectionReport_ = std::move(report);
  for (const auto& context : inspectedContexts_) sendConnectionReport(context);
}

void VantryProDeckPlugin::sendConnectionReport(const std::string& context) {
  sendEvent("sendToPropertyInspector", context, &connectionReport_);
}

}  // namespace vantry
