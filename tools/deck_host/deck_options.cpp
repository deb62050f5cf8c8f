#include "deck_options.hpp"

#include <charconv>
#include <cmath>

namespace vantry::deck {

const char* const deckUsage =
    "usage: deck-host [--port N] [--plugin PATH] [--snapshot DIR --seconds N]\n"
    "  Stands in for the Stream Deck host: starts the plugin, gives it a virtual 3x3 deck of the\n"
    "  nine Vantry Pro keys, and shows the deck on a page served on 127.0.0.1.\n"
    "  --port N        port for the page and the plugin's connection (default 0: a free one)\n"
    "  --plugin PATH   plugin executable (default: the build's bundle next to this tool)\n"
    "  --snapshot DIR  run without pressing anything, then write each key's last picture and\n"
    "                  summary.json into DIR and exit\n"
    "  --seconds N     how long to run (default 5 with --snapshot; otherwise until interrupted)\n"
    "  --help          this text\n";

namespace {

std::optional<std::uint16_t> portNumber(const std::string& text) {
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > 65535) return std::nullopt;
  return static_cast<std::uint16_t>(value);
}

std::optional<double> positiveSeconds(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::size_t used = 0;
  double value = 0;
  try {
    value = std::stod(text, &used);
  } catch (...) {
    return std::nullopt;
  }
  if (used != text.size() || !std::isfinite(value) || value <= 0 || value > 86400) return std::nullopt;
  return value;
}

}  // namespace

ParsedOptions parseDeckOptions(const std::vector<std::string>& arguments) {
  DeckOptions options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const auto& name = arguments[i];
    if (name == "--help" || name == "-h") return HelpRequested{};
    const bool takesValue = name == "--port" || name == "--plugin" || name == "--snapshot" || name == "--seconds";
    if (!takesValue) return BadArguments{"unknown argument: " + name};
    if (i + 1 >= arguments.size()) return BadArguments{name + " needs a value"};
    const auto& value = arguments[++i];
    if (name == "--port") {
      const auto port = portNumber(value);
      if (!port) return BadArguments{"--port takes a port from 0 to 65535, not \"" + value + "\""};
      options.port = *port;
    } else if (name == "--plugin") {
      if (value.empty()) return BadArguments{"--plugin needs a path"};
      options.pluginPath = value;
    } else if (name == "--snapshot") {
      if (value.empty()) return BadArguments{"--snapshot needs a folder"};
      options.snapshotDir = value;
    } else {
      const auto seconds = positiveSeconds(value);
      if (!seconds) return BadArguments{"--seconds takes a positive number of seconds, not \"" + value + "\""};
      options.seconds = *seconds;
    }
  }
  if (!options.snapshotDir.empty() && !options.seconds) options.seconds = 5.0;
  return options;
}

}  // namespace vantry::deck
