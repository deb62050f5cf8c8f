#include "deck_host.hpp"
#include "deck_options.hpp"

#include <boost/asio/io_context.hpp>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

// The build puts the plugin into the bundle folder beside the tools folder.
std::string defaultPluginPath(const char* program) {
  namespace fs = std::filesystem;
  std::error_code error;
  auto self = fs::canonical(fs::path(program), error);
  if (error) self = fs::absolute(fs::path(program), error);
  auto path = self.parent_path().parent_path() / "vesk.quillfern.vantrypro.streamdeck.sdPlugin" / "bin" /
              VANTRY_PLUGIN_FILE_NAME;
  return path.lexically_normal().string();
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantry::deck;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = parseDeckOptions(arguments);
  if (std::holds_alternative<HelpRequested>(parsed)) {
    std::cout << deckUsage;
    return 0;
  }
  if (const auto* bad = std::get_if<BadArguments>(&parsed)) {
    std::cerr << "deck-host: " << bad->message << "\n" << deckUsage;
    return 2;
  }
  auto options = std::get<DeckOptions>(parsed);
  auto pluginPath = options.pluginPath.empty() ? defaultPluginPath(argv[0]) : options.pluginPath;
  // One thread serves the page, the plugin's connection and the child's watch.
  boost::asio::io_context context(1);
  const auto host = std::make_shared<DeckHost>(context, std::move(options), std::move(pluginPath));
  if (!host->start()) return 1;
  context.run();
  return host->exitCode();
}
