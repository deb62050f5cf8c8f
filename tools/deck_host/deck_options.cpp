#include "deck_options.hpp"

#include <cstdio>

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

std::vector<kit::Option> deckOptions(DeckOptions& o) {
  return {kit::numberOption("--port", "a port from 0 to 65535", o.port, 0u, 65535u),
          kit::textOption("--plugin", "a path", o.pluginPath), kit::textOption("--snapshot", "a folder", o.snapshotDir),
          kit::numberOption("--seconds", "a number of seconds from 0.001 to 86400", o.seconds, 0.001, 86400.0)};
}

void note(const std::string& text) {
  std::fprintf(stderr, "deck-host: %s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace vantry::deck
