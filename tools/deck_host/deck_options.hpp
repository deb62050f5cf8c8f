#pragma once

#include "kit/options.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace vantry::deck {

struct DeckOptions {
  std::uint16_t port = 0;  // 0: a free one
  std::string pluginPath;  // empty: the build's plugin next to the tool
  std::string snapshotDir;  // empty: serve the page until interrupted
  double seconds = 0;  // how long to run; 0: until interrupted, which a snapshot makes 5
};

// deck-host's options, each filling its field of `options`.
std::vector<kit::Option> deckOptions(DeckOptions& options);

extern const char* const deckUsage;

// One line on standard error, "deck-host: <text>".
void note(const std::string& text);

}  // namespace vantry::deck
