#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace vantry::deck {

struct DeckOptions {
  std::uint16_t port = 0;  // 0: a free one
  std::string pluginPath;  // empty: the build's plugin next to the tool
  std::string snapshotDir;  // empty: serve the page until interrupted
  std::optional<double> seconds;  // how long to run; required with a snapshot
};

struct HelpRequested {};
struct BadArguments {
  std::string message;
};

using ParsedOptions = std::variant<DeckOptions, HelpRequested, BadArguments>;

// The arguments after the program name.
ParsedOptions parseDeckOptions(const std::vector<std::string>& arguments);

extern const char* const deckUsage;

}  // namespace vantry::deck
