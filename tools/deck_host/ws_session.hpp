#pragma once

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/websocket.hpp>

#include <deque>
#include <functional>
#include <memory>
#include <string>

namespace vantry::deck {

// One WebSocket peer of the deck host, the plugin or a page: reads messages and writes queued
// text frames one at a time.
class WsSession : public std::enable_shared_from_this<WsSession> {
 public:
  using MessageHandler = std::function<void(const std::shared_ptr<WsSession>&, std::string)>;
  using OpenHandler = std::function<void(const std::shared_ptr<WsSession>&)>;

  WsSession(boost::beast::tcp_stream stream, MessageHandler onMessage, OpenHandler onOpen);

  void accept(boost::beast::http::request<boost::beast::http::string_body> request);
  void send(std::string text);
  void close();
  bool isOpen() const { return open_; }

  // Set by the host once the plugin on this connection has registered.
  bool registered = false;

 private:
  void read();
  void writeNext();

  boost::beast::websocket::stream<boost::beast::tcp_stream> stream_;
  boost::beast::flat_buffer buffer_;
  std::deque<std::string> outgoing_;
  MessageHandler onMessage_;
  OpenHandler onOpen_;
  bool open_ = false;
  bool writing_ = false;
  bool closing_ = false;
};

}  // namespace vantry::deck
