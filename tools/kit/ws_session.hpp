#pragma once

#include "kit/http_server.hpp"  // HttpRequest

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/stream.hpp>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vantry::kit {

// What a WebSocket peer may cost: the largest message it may send, the frames queued for it beyond
// which more are dropped, and the quiet after which it is pinged and, as long again unanswered, dropped.
struct PeerBounds {
  std::size_t messageBytes = 16 * 1024 * 1024;
  std::size_t queuedFrames = SIZE_MAX;
  std::optional<std::chrono::seconds> idleTimeout;  // none: no pings
};

// One WebSocket peer of a server: reads its messages, writes queued frames one at a time, and
// says once, by `ended`, that the connection is over, however it ended.
class WsSession : public std::enable_shared_from_this<WsSession> {
 public:
  using Peer = std::shared_ptr<WsSession>;
  struct Handlers {
    std::function<void(const Peer&)> opened;
    std::function<void(const Peer&, std::string)> message;
    std::function<void(const Peer&)> ended;
  };

  // With reading false, messages wait unread until resumeReading.
  WsSession(boost::beast::tcp_stream stream, Handlers handlers, PeerBounds bounds = {}, bool reading = true);

  // The opening handshake, answering the request that asked for it.
  void accept(const HttpRequest& upgrade);
  void send(std::string data, bool text = true);
  void ping();
  // Sends a close frame; `ended` follows.
  void close();
  void resumeReading();

  bool isOpen() const { return opened_ && !ended_; }
  std::chrono::steady_clock::time_point openedAt() const { return openedAt_; }
  int pongs() const { return pongs_; }

 private:
  struct Frame {
    std::string data;
    bool text;
  };

  void opened(const boost::beast::error_code& error);
  void read();
  void writeNext();
  // Drops the frames queued behind the one being written.
  void dropQueued();
  void end();

  boost::beast::websocket::stream<boost::beast::tcp_stream> stream_;
  Handlers handlers_;
  PeerBounds bounds_;
  bool reading_;
  boost::beast::flat_buffer buffer_;
  std::deque<Frame> outgoing_;
  std::chrono::steady_clock::time_point openedAt_{};
  int pongs_ = 0;
  bool opened_ = false;
  bool writing_ = false;
  bool closing_ = false;
  bool ended_ = false;
};

}  // namespace vantry::kit
