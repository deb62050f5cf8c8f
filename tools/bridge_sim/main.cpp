// vantry-bridge-sim: a stand-in for the media application's bridge, so the plugin can be seen at work.
#include "bridge_routes.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <exception>
#include <iostream>
#include <optional>

int main(int argc, char** argv) {
  using namespace vantry::sim;
  const char* const usage =
      "Usage: vantry-bridge-sim [options]\n"
      "Stands in for the Vantry Pro media bridge on 127.0.0.1.\n"
      "\n"
      "  --port N           port to serve (default 48187; 0 picks a free one)\n"
      "  --latency MS       delay every answer by MS milliseconds (0..600000)\n"
      "  --fail-percent N   answer 500 to N% of requests at random (0..100)\n"
      "  --hang-percent N   never answer N% of requests at random (0..100)\n"
      "  --seed N           seed for the random faults, for repeatable runs\n"
      "  --verbose          one line per request on stderr\n"
      "  --help             this text\n";
  SimOptions options;
  if (const auto exit = vantry::kit::takeArguments(argc, argv, "vantry-bridge-sim", usage, simOptions(options))) {
    return *exit;
  }
  try {
    boost::asio::io_context context;
    std::mt19937 dice(options.seed ? *options.seed : std::random_device{}());
    std::optional<SimulatedApplication> application;  // its status names the port the server has
    vantry::kit::HttpServer server(context, options.port, [&](const vantry::kit::HttpRequest& request) {
      return bridgeReply(*application, dice, options, request);
    });
    application.emplace(Clock::now(), server.port());
    server.keepConnections = true;
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
