#include "app/vantry_pro_deck_plugin.hpp"
#include "bridge/connection_report.hpp"

namespace vantry {

// The user's bridge port, or the usual one when none is set; the next request goes there. Until it
// has been asked, the connection line says so.
void VantryProDeckPlugin::useBridgePort(std::optional<std::uint16_t> port) {
  const auto wanted = port.value_or(defaultBridgePort);
  if (wanted == bridgeBaseURL.port_number()) return;
  bridgeBaseURL.set_port_number(wanted);
  statusURL_ = statusAddress(bridgeBaseURL);
  lastPollReply_.reset();
  updateConnectionReport(false);
}

// Open property inspectors hear of every change, and after "Check now" of the answer either way.
// Nobody hears of it while none is open: the report is not even made then.
void VantryProDeckPlugin::updateConnectionReport(bool sendAnyway) {
  if (inspectedContexts_.empty()) return;
  auto report = currentConnectionReport();
  if (report == connectionReport_ && !sendAnyway) return;
  connectionReport_ = std::move(report);
  for (const auto& context : inspectedContexts_) sendEvent("sendToPropertyInspector", context, &connectionReport_);
}

// A property inspector that opens hears the answer at once.
void VantryProDeckPlugin::sendConnectionReport(const std::string& context) {
  connectionReport_ = currentConnectionReport();
  sendEvent("sendToPropertyInspector", context, &connectionReport_);
}

boost::json::object VantryProDeckPlugin::currentConnectionReport() const {
  return connectionReport(lastPollReply_ ? &*lastPollReply_ : nullptr, latestStatus, bridgeBaseURL.host(),
                          bridgeBaseURL.port_number());
}

}  // namespace vantry
