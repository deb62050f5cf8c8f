#include "app/vantry_pro_deck_plugin.hpp"
#include "host/host_messages.hpp"
#include "render/dial_strip.hpp"

namespace vantry {

namespace {
template <class... Handlers>
struct Overloaded : Handlers... {
  using Handlers::operator()...;
};
template <class... Handlers>
Overloaded(Handlers...) -> Overloaded<Handlers...>;
}  // namespace

void VantryProDeckPlugin::handleIncomingJSONText(std::string_view text) {
  auto event = parseHostEvent(text);
  if (!event) return;
  std::visit(Overloaded{
                 [this](WillAppear& e) {
                   contextsByID[e.context] = e.kind;
                   renderContext(e.context, e.kind);
                 },
                 [this](WillDisappear& e) {
                   contextsByID.erase(e.context);
                   sentPictures_.erase(e.context);
                   dialsByID.erase(e.context);
                   const auto turns = dialTurnsByID.find(e.context);
                   if (turns == dialTurnsByID.end()) return;
                   turns->second.endRun();
                   if (turns->second.idle()) dialTurnsByID.erase(turns);
                 },
                 [this](KeyDown& e) {
                   // The kind of a press always comes from the key's appearance, never from the press.
                   const auto found = contextsByID.find(e.context);
                   if (found != contextsByID.end()) handleKeyDown(found->first, found->second);
                 },
                 [this](StatusRefreshRequest&) { pollStatusAndRender(); },
                 [this](DialWillAppear& e) {
                   auto& dial = dialsByID[e.context];
                   // A strip that appears anew shows nothing of ours yet.
                   dial.sentFeedback.reset();
                   deliverFeedback(e.context, dial, dialFeedback(latestStatus));
                 },
                 [this](DialRotate& e) { handleDialRotate(e.context, e.ticks); },
                 [this](DialDown& e) { handleDialDown(e.context); },
                 // A brush over the strip must never change the show: it only refreshes.
                 [this](TouchTap& e) {
                   if (dialsByID.contains(e.context)) pollStatusAndRender();
                 },
             },
             *event);
}

void VantryProDeckPlugin::renderContext(const std::string& context, DeckActionKind kind) {
  switch (kind) {
    case DeckActionKind::logo: return renderLogoContext(context);
    case DeckActionKind::runtime: return renderRuntimeContext(context);
    default: return renderCommandContext(context, kind);
  }
}

}  // namespace vantry
