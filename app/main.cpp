#include "app/vantry_pro_deck_plugin.hpp"

#include <boost/asio/io_context.hpp>

#include <string>
#include <vector>

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv, argv + argc);
  // One thread serves the plugin's whole life.
  boost::asio::io_context context(1);
  const auto plugin = vantry::VantryProDeckPlugin::make(arguments, context);
  if (!plugin) return 1;
  plugin->run();
}
