#include "app/vantry_pro_deck_plugin.hpp"
#include "platform/process.hpp"

#include <boost/asio/io_context.hpp>

#include <string>
#include <vector>

int main(int argc, char** argv) {
  vantry::prepareStandardError();
  const std::vector<std::string> arguments(argv, argv + argc);
  // One thread serves the plugin's whole life and nothing else touches its context, so Asio takes
  // no locks for it.
  boost::asio::io_context context(BOOST_ASIO_CONCURRENCY_HINT_UNSAFE);
  const auto plugin = vantry::VantryProDeckPlugin::make(arguments, context, {}, vantry::programPath(argc, argv));
  if (!plugin) return 1;
  plugin->run();
}
