#include "deck_host.hpp"

#include "kit/options.hpp"

#include <boost/asio/io_context.hpp>

#include <filesystem>
#include <string>

namespace {

const char* const usage =
    "usage: deck-host [--port N] [--plugin PATH] [--snapshot DIR --seconds N]\n"
    "  Stands in for the Stream Deck host: starts the plugin, gives it a virtual 3x3 deck of the\n"
    "  nine Vantry Pro keys, and shows the deck on a page served on 127.0.0.1.\n"
    "  --port N        port for the page and the plugin's connection (default 0: a free one)\n"
    "  --plugin PATH   plugin executable (default: the build's bundle next to this tool)\n"
    "  --snapshot DIR  run without pressing anything, then write each key's last picture and\n"
    "                  summary.json into DIR and exit\n"
    "  --seconds N     how long to run (default 5 with --snapshot; otherwise until interrupted)\n"
    "  --help          this text\n";

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
  using namespace vantry;
  deck::DeckOptions o;
  const std::vector<kit::Option> options{
      kit::numberOption("--port", "a port from 0 to 65535", o.port, 0u, 65535u),
      kit::textOption("--plugin", "a path", o.pluginPath), kit::textOption("--snapshot", "a folder", o.snapshotDir),
      kit::numberOption("--seconds", "a number of seconds from 0.001 to 86400", o.seconds, 0.001, 86400.0)};
  if (const auto exit = kit::takeArguments(argc, argv, "deck-host", usage, options)) return *exit;
  if (!o.snapshotDir.empty() && o.seconds == 0) o.seconds = 5;
  if (o.pluginPath.empty()) o.pluginPath = defaultPluginPath(argv[0]);
  // One thread serves the page, the plugin's connection and the child's watch.
  boost::asio::io_context context(1);
  const auto host = std::make_shared<deck::DeckHost>(context, std::move(o));
  if (!host->start()) return 1;
  context.run();
  return host->exitCode();
}
