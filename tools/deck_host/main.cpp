#include "deck_host.hpp"
#include "deck_options.hpp"

#include <boost/asio/io_context.hpp>

#include <filesystem>
#include <string>

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
  DeckOptions options;
  if (const auto exit = vantry::kit::takeArguments(argc, argv, "deck-host", deckUsage, deckOptions(options))) return *exit;
  if (!options.snapshotDir.empty() && options.seconds == 0) options.seconds = 5;
  auto pluginPath = options.pluginPath.empty() ? defaultPluginPath(argv[0]) : options.pluginPath;
  // One thread serves the page, the plugin's connection and the child's watch.
  boost::asio::io_context context(1);
  const auto host = std::make_shared<DeckHost>(context, std::move(options), std::move(pluginPath));
  if (!host->start()) return 1;
  context.run();
  return host->exitCode();
}
