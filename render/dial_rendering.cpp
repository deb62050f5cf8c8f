#include "app/vantry_pro_deck_plugin.hpp"
#include "render/dial_strip.hpp"

namespace vantry {

void VantryProDeckPlugin::renderAllDials() {
  if (dialsByID.empty()) return;
  const auto feedback = dialFeedback(latestStatus);
  for (auto& [context, dial] : dialsByID) deliverFeedback(context, dial, feedback);
}

// Unlike a key's picture, the strip is redrawn by the host on every message: it gets only changes.
void VantryProDeckPlugin::deliverFeedback(const std::string& context, TransportDial& dial,
                                          const boost::json::object& feedback) {
  if (dial.sentFeedback == feedback) return;
  // One the outgoing bound dropped must go out again after the next poll.
  if (sendEvent("setFeedback", context, &feedback)) dial.sentFeedback = feedback;
}

}  // namespace vantry
