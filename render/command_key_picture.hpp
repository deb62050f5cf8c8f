#pragma once

#include "bridge/bridge_records.hpp"
#include "render/deck_action_kind.hpp"

#include <optional>
#include <string>

namespace vantry {

struct CommandSymbol {
  std::string text;
  int size = 0;

  bool operator==(const CommandSymbol&) const = default;
};

// The symbol of a command key for the status held now (absent: no status).
CommandSymbol commandSymbol(DeckActionKind kind, const std::optional<BridgeStatus>& status);

// The command key picture: label at the top, symbol in the middle. Both texts are escaped here.
std::string makeCommandSVG(std::string_view label, int symbolSize, std::string_view symbol);

}  // namespace vantry
