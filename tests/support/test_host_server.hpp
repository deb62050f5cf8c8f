#pragma once

#include "kit/loopback_listener.hpp"
#include "kit/ws_session.hpp"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace vantry::test {

// A stand-in for the Stream Deck host: a WebSocket server on loopback that records every message
// of every connection; through the kit's sessions it pushes messages and pings, closes connections
// and stops reading.
class TestHostServer : public kit::LoopbackListener {
 public:
  struct Received {
    std::string text;
    std::chrono::steady_clock::time_point at;
  };
  struct Connection : kit::WsSession {
    using WsSession::WsSession;
    std::vector<Received> received;
  };

  explicit TestHostServer(boost::asio::io_context& context)
      : LoopbackListener(context, 0, [this](boost::asio::ip::tcp::socket socket) {
          const auto record = [](const kit::WsSession::Peer& peer, std::string text) {
            static_cast<Connection&>(*peer).received.push_back({std::move(text), std::chrono::steady_clock::now()});
          };
          connections.push_back(std::make_shared<Connection>(boost::beast::tcp_stream(std::move(socket)),
                                                             kit::WsSession::Handlers{{}, record, {}},
                                                             kit::PeerBounds{}, readNewConnections));
          connections.back()->accept();
        }) {}

  std::shared_ptr<Connection> latest() const { return connections.empty() ? nullptr : connections.back(); }

  // New connections are accepted but not read from.
  bool readNewConnections = true;
  std::vector<std::shared_ptr<Connection>> connections;
};

}  // namespace vantry::test
