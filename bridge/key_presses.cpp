#include "app/vantry_pro_deck_plugin.hpp"
#include "bridge/bridge_replies.hpp"

namespace vantry {

void VantryProDeckPlugin::handleKeyDown(const std::string& context, DeckActionKind kind) {
  const auto command = bridgeCommand(kind);
  if (!command) {
    pollStatusAndRender();
    return;
  }
  performBridgeAction(*command, [weak = weak_from_this(), context](bool succeeded) {
    const auto self = weak.lock();
    if (!self) return;
    // The mark goes out before the poll that brings the keys up to date.
    self->sendEvent(succeeded ? "showOk" : "showAlert", context);
    self->pollStatusAndRender();
  });
}

void VantryProDeckPlugin::performBridgeAction(std::string_view command, std::function<void(bool)> completion) {
  auto address = bridgeBaseURL;
  address.segments().push_back("action");
  address.params().assign({{"action", command}});
  urlSession.commandTask(address, [self = shared_from_this(), completion = std::move(completion)](HttpReply reply) {
    const bool outcome = actionOutcome(reply);
    self->queue.submit([completion, outcome] { completion(outcome); });
  });
}

}  // namespace vantry
