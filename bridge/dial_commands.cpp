#include "app/vantry_pro_deck_plugin.hpp"

namespace vantry {

void VantryProDeckPlugin::handleDialRotate(const std::string& context, std::int64_t ticks) {
  if (!dialsByID.contains(context)) return;
  auto& turns = dialTurnsByID[context];
  if (const auto command = turns.turn(ticks)) {
    sendDialTurn(context, *command, turns.run());
  } else if (turns.idle()) {
    dialTurnsByID.erase(context);  // a turn of no ticks holds nothing
  }
}

void VantryProDeckPlugin::sendDialTurn(const std::string& context, std::string_view command, std::uint64_t run) {
  performBridgeAction(command, [weak = weak_from_this(), context, run](bool succeeded) {
    const auto self = weak.lock();
    if (!self) return;
    // A command is in flight, so its dial's turns are still held, on the deck or not.
    const auto held = self->dialTurnsByID.find(context);
    if (held == self->dialTurnsByID.end()) return;
    auto& turns = held->second;
    // A reply to a run that ended when the dial left is no news for the dial that came back.
    if (run == turns.run()) self->acknowledgeDialCommand(context, succeeded);
    if (const auto next = turns.replied(run, succeeded)) return self->sendDialTurn(context, *next, turns.run());
    self->dialTurnsByID.erase(context);
    self->pollStatusAndRender();
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
