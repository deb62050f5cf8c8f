#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace vantry {

// The nine key actions of the plugin; the first seven are command kinds.
enum class DeckActionKind : std::uint8_t {
  playPause,
  stop,
  back10,
  forward10,
  syncStart,
  eject,
  loopToggle,
  runtime,
  logo,
};

inline constexpr std::array<DeckActionKind, 9> allDeckActionKinds = {
    DeckActionKind::playPause, DeckActionKind::stop,       DeckActionKind::back10,
    DeckActionKind::forward10, DeckActionKind::syncStart,  DeckActionKind::eject,
    DeckActionKind::loopToggle, DeckActionKind::runtime,   DeckActionKind::logo,
};

// The action identifier by which the host names the key's action.
std::string_view rawValue(DeckActionKind kind);
// The label drawn on a command key; empty for the runtime and logo kinds, whose pictures carry their own.
std::string_view title(DeckActionKind kind);
// The command word sent to the media bridge; absent for the display-only kinds.
std::optional<std::string_view> bridgeCommand(DeckActionKind kind);

// The action identifier of the transport dial, an encoder action beside the nine key kinds.
std::string_view transportDialIdentifier();

// Exact, case-sensitive match of a whole action identifier.
std::optional<DeckActionKind> deckActionKindFromIdentifier(std::string_view identifier);

}  // namespace vantry
