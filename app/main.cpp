#include "app/vantry_pro_deck_plugin.hpp"
#include "platform/process.hpp"

#include <boost/asio/io_context.hpp>

#include <string>
#include <vector>

int main(int argc, char** argv) {
  vantry::prepareStandardError();
  const std::vector<std::string> arguments(argv, argv + argc);
  // One thread serves the plugin's whole life.
  boost::asio::io_context context(1);
  const auto plugin = vantry::VantryProDeckPlugin::make(arguments, context, {}, vantry::programPath(argc, argv));
  if (!plugin) return 1;
  plugin->run();
}
