// vantry-bridge-sim: a stand-in for the media application's bridge, so the plugin can be seen at work.
#include "bridge_server.hpp"
#include "sim_options.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  using namespace vantry::sim;
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const auto parsed = parseOptions(arguments);
  if (std::holds_alternative<HelpRequested>(parsed)) {
    std::cout << usageText();
    return 0;
  }
  if (const auto* bad = std::get_if<BadArguments>(&parsed)) {
    std::cerr << "vantry-bridge-sim: " << bad->message << "\n(--help lists the options)\n";
    return 2;
  }
  const auto& options = std::get<SimOptions>(parsed);

  try {
    boost::asio::io_context context;
    BridgeServer server(context, options);
    boost::asio::signal_set signals(context, SIGINT, SIGTERM);
    signals.async_wait([&](const boost::system::error_code& error, int) {
      if (!error) server.stop();
    });
    std::cout << "vantry-bridge-sim listening on http://127.0.0.1:" << server.port() << std::endl;
    context.run();
  } catch (const std::exception& e) {
    std::cerr << "vantry-bridge-sim: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
