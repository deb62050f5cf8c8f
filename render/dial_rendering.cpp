#include "app/vantry_pro_deck_plugin.hpp"
#include "render/dial_strip.hpp"

namespace vantry {

void VantryProDeckPlugin::renderAllDials() {
  if (dialsByID.empty()) return;
  // Most dials keep the usual look: theirs is drawn once.
  const auto usual = dialFeedback(latestStatus, {}, offBeat_);
  for (auto& [context, dial] : dialsByID) {
    if (const auto own = displaySettingsByID.find(context); own != displaySettingsByID.end()) {
      deliverFeedback(context, dial, dialFeedback(latestStatus, own->second, offBeat_));
    } else {
      deliverFeedback(context, dial, usual);
    }
  }
}

// Unlike a key's picture, the strip is redrawn by the host on every message: it gets only changes.
void VantryProDeckPlugin::deliverFeedback(const std::string& context, TransportDial& dial,
                                          const boost::json::object& feedback) {
  if (dial.sentFeedback == feedback) return;
  // One the outgoing bound dropped must go out again after the next poll.
  if (sendEvent("setFeedback", context, &feedback)) dial.sentFeedback = feedback;
}

}  // namespace vantry
