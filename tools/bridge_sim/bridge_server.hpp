#pragma once

#include "fault_dice.hpp"
#include "sim_options.hpp"
#include "simulated_application.hpp"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <cstdint>
#include <list>
#include <memory>

namespace vantry::sim {

class BridgeSession;

// The HTTP face of the simulated bridge on 127.0.0.1: persistent connections, one request at a
// time per connection, with the configured latency and faults.
class BridgeServer {
 public:
  static constexpr std::chrono::seconds idleTimeout{30};
  // A hung request holds its connection until the client goes, but not for ever.
  static constexpr std::chrono::minutes hangLimit{10};

  BridgeServer(boost::asio::io_context& context, const SimOptions& options);
  ~BridgeServer();
  BridgeServer(const BridgeServer&) = delete;
  BridgeServer& operator=(const BridgeServer&) = delete;

  std::uint16_t port() const { return port_; }

  // Stops accepting and ends every connection; the context then runs out of work.
  void stop();

 private:
  friend class BridgeSession;

  void acceptNext();

  boost::asio::ip::tcp::acceptor acceptor_;
  SimOptions options_;
  std::uint16_t port_ = 0;
  SimulatedApplication application_;
  FaultDice dice_;
  std::list<std::weak_ptr<BridgeSession>> sessions_;
  bool stopped_ = false;
};

}  // namespace vantry::sim
