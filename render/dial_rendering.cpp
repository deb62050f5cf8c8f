#include "app/vantry_pro_deck_plugin.hpp"
#include "render/dial_strip.hpp"

namespace vantry {

void VantryProDeckPlugin::renderAllDials() {
  if (dialsByID.empty()) return;
  // Most dials keep the usual look: theirs is drawn once.
  const auto usual = dialFeedback(latestStatus, {}, offBeat_);
  for (auto& [context, dial] : dialsByID) {
    if (displaySettingsByID.contains(context)) {
      renderDial(context, dial);
    } else {
      deliverFeedback(context, dial, usual);
    }
  }
}

void VantryProDeckPlugin::renderDial(const std::string& context, TransportDial& dial) {
  deliverFeedback(context, dial, dialFeedback(latestStatus, settingsOf(context), offBeat_));
}

// Unlike a key's picture, the strip is redrawn by the host on every message: it gets only changes.
void VantryProDeckPlugin::deliverFeedback(const std::string& context, TransportDial& dial,
                                          const boost::json::object& feedback) {
  if (dial.sentFeedback == feedback) return;
  // One the outgoing bound dropped must go out again after the next poll.
  if (sendEvent("setFeedback", context, &feedback)) dial.sentFeedback = feedback;
}

}  // namespace vantry
