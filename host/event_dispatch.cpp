#include "app/vantry_pro_deck_plugin.hpp"
#include "host/host_messages.hpp"

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
                   const auto& [context, kind] = *contextsByID.insert_or_assign(e.context, e.kind).first;
                   sentPictures_.erase(&context);  // it may be another kind now
                   applySettings(context, e.settings);
                   renderContext(context, kind);
                 },
                 [this](WillDisappear& e) {
                   if (const auto key = contextsByID.find(e.context); key != contextsByID.end()) {
                     sentPictures_.erase(&key->first);
                     contextsByID.erase(key);
                   }
                   dialsByID.erase(e.context);
                   displaySettingsByID.erase(e.context);
                   inspectedContexts_.erase(e.context);
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
                   applySettings(e.context, e.settings);
                   // A strip that appears anew shows nothing of ours yet.
                   dial.sentFeedback.reset();
                   renderDial(e.context, dial);
                 },
                 [this](DialRotate& e) { handleDialRotate(e.context, e.ticks); },
                 [this](DialDown& e) { handleDialDown(e.context); },
                 // A brush over the strip must never change the show: it only refreshes.
                 [this](TouchTap& e) {
                   if (dialsByID.contains(e.context)) pollStatusAndRender();
                 },
                 // Redrawn at once, so the user sees what the setting does.
                 [this](DidReceiveSettings& e) {
                   if (const auto key = contextsByID.find(e.context); key != contextsByID.end()) {
                     applySettings(e.context, e.settings);
                     renderContext(key->first, key->second);
                   } else if (const auto dial = dialsByID.find(e.context); dial != dialsByID.end()) {
                     applySettings(e.context, e.settings);
                     renderDial(e.context, dial->second);
                   }
                 },
                 [this](InspectorAppeared& e) {
                   if (!isOnDeck(e.context)) return;
                   inspectedContexts_.insert(e.context);
                   sendConnectionReport(e.context);
                 },
                 [this](InspectorDisappeared& e) { inspectedContexts_.erase(e.context); },
                 [this](CheckNowRequest& e) {
                   if (!isOnDeck(e.context)) return;
                   checkNowAsked_ = true;
                   pollStatusAndRender();
                 },
                 [this](GlobalSettings& e) { useBridgePort(e.bridgePort); },
             },
             *event);
}

// Only the Runtime key and the dial have settings; the command and logo keys draw as they always do.
void VantryProDeckPlugin::applySettings(const std::string& context, const DisplaySettings& settings) {
  const auto key = contextsByID.find(context);
  const bool hasSettings = key == contextsByID.end() ? dialsByID.contains(context) : key->second == DeckActionKind::runtime;
  if (hasSettings && settings != DisplaySettings{}) {
    displaySettingsByID[context] = settings;
  } else {
    displaySettingsByID.erase(context);
  }
}

const DisplaySettings& VantryProDeckPlugin::settingsOf(const std::string& context) const {
  static const DisplaySettings defaults;
  const auto found = displaySettingsByID.find(context);
  return found == displaySettingsByID.end() ? defaults : found->second;
}

bool VantryProDeckPlugin::isOnDeck(const std::string& context) const {
  return contextsByID.contains(context) || dialsByID.contains(context);
}

void VantryProDeckPlugin::renderContext(const std::string& context, DeckActionKind kind) {
  switch (kind) {
    case DeckActionKind::logo: return renderLogoContext(context);
    case DeckActionKind::runtime: return renderRuntimeContext(context);
    default: return renderCommandContext(context, kind);
  }
}

}  // namespace vantry
