#include "app/vantry_pro_deck_plugin.hpp"

namespace vantry {

void VantryProDeckPlugin::handleDialRotate(const std::string& context, std::int64_t ticks) {
  const auto dial = dialsByID.find(context);
  if (dial == dialsByID.end()) return;
  if (const auto command = dial->second.turns.turn(ticks)) sendDialTurn(context, *command);
}

void VantryProDeckPlugin::sendDialTurn(const std::string& context, std::string_view command) {
  performBridgeAction(command, [weak = weak_from_this(), context](bool succeeded) {
    const auto self = weak.lock();
    if (!self) return;
    self->acknowledgeDialCommand(context, succeeded);
    // A dial that has left the deck ends its run here.
    const auto dial = self->dialsByID.find(context);
    const auto next = dial == self->dialsByID.end() ? std::nullopt : dial->second.turns.replied(succeeded);
    if (next) {
      self->sendDialTurn(context, *next);
    } else {
      self->pollStatusAndRender();
    }
  });
}

void VantryProDeckPlugin::handleDialDown(const std::string& context) {
  if (!dialsByID.contains(context)) return;
  performBridgeAction(*bridgeCommand(DeckActionKind::playPause), [weak = weak_from_this(), context](bool succeeded) {
    const auto self = weak.lock();
    if (!self) return;
    self->acknowledgeDialCommand(context, succeeded);
    self->pollStatusAndRender();
  });
}

// The strip itself shows success; the host's success mark is for keys only.
void VantryProDeckPlugin::acknowledgeDialCommand(const std::string& context, bool succeeded) {
  if (!succeeded) sendEvent("showAlert", context);
}

}  // namespace vantry
