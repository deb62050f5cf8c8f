#include "render/deck_action_kind.hpp"

namespace vantry {

namespace {

struct KindProperties {
  std::string_view rawValue;
  std::string_view title;
  std::string_view bridgeCommand;  // empty: none
};

constexpr std::array<KindProperties, 9> properties = {{
    {"vesk.quillfern.vantrypro.streamdeck.play-pause", "Play/Pause", "play_pause"},
    {"vesk.quillfern.vantrypro.streamdeck.stop", "Stop", "stop"},
    {"vesk.quillfern.vantrypro.streamdeck.back-10", "Back 10", "backward_10"},
    {"vesk.quillfern.vantrypro.streamdeck.forward-10", "Forward 10", "forward_10"},
    {"vesk.quillfern.vantrypro.streamdeck.sync-start", "SyncStart", "sync_start"},
    {"vesk.quillfern.vantrypro.streamdeck.eject", "Eject", "eject"},
    {"vesk.quillfern.vantrypro.streamdeck.loop-toggle", "Loop", "loop_toggle"},
    {"vesk.quillfern.vantrypro.streamdeck.runtime", "", ""},
    {"vesk.quillfern.vantrypro.streamdeck.logo", "", ""},
}};

const KindProperties& propertiesOf(DeckActionKind kind) { return properties[static_cast<std::size_t>(kind)]; }

}  // namespace

std::string_view rawValue(DeckActionKind kind) { return propertiesOf(kind).rawValue; }

std::string_view title(DeckActionKind kind) { return propertiesOf(kind).title; }

std::optional<std::string_view> bridgeCommand(DeckActionKind kind) {
  const auto command = propertiesOf(kind).bridgeCommand;
  if (command.empty()) return std::nullopt;
  return command;
}

std::string_view transportDialIdentifier() { return "vesk.quillfern.vantrypro.streamdeck.transport-dial"; }

std::optional<DeckActionKind> deckActionKindFromIdentifier(std::string_view identifier) {
  for (const auto kind : allDeckActionKinds) {
    if (rawValue(kind) == identifier) return kind;
  }
  return std::nullopt;
}

}  // namespace vantry
