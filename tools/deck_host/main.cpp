#include "deck_host.hpp"

#include "kit/options.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/json/parse.hpp>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const usage =
    "usage: deck-host [--port N] [--plugin PATH] [--settings WHICH=JSON]... [--snapshot DIR --seconds N]\n"
    "  Stands in for the Stream Deck host: starts the plugin, gives it a virtual 3x3 deck of the\n"
    "  nine Vantry Pro keys, and shows the deck on a page served on 127.0.0.1.\n"
    "  --port N        port for the page and the plugin's connection (default 0: a free one)\n"
    "  --plugin PATH   plugin executable (default: the build's bundle next to this tool)\n"
    "  --settings WHICH=JSON\n"
    "                  the settings keys or dials start with, a JSON object: WHICH is a context,\n"
    "                  an action identifier or a short name (runtime, transportdial); repeatable\n"
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

// WHICH=JSON, kept in the order given, so that a later one for the same key wins.
vantry::kit::Option settingsOption(std::vector<std::pair<std::string, boost::json::object>>& into) {
  return {"--settings", "WHICH=JSON with a JSON object of at most 64 KiB", [&into](const std::string& text) {
            const auto equals = text.find('=');
            if (equals == 0 || equals == std::string::npos || text.size() - equals - 1 > vantry::deck::settingsBytes) {
              return false;
            }
            boost::system::error_code error;
            auto value = boost::json::parse(std::string_view(text).substr(equals + 1), error);
            if (error || !value.is_object()) return false;
            into.emplace_back(text.substr(0, equals), std::move(value.as_object()));
            return true;
          }};
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vantry;
  deck::DeckOptions o;
  const std::vector<kit::Option> options{
      kit::numberOption("--port", "a port from 0 to 65535", o.port, 0u, 65535u),
      kit::textOption("--plugin", "a path", o.pluginPath), settingsOption(o.settings),
      kit::textOption("--snapshot", "a folder", o.snapshotDir),
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
