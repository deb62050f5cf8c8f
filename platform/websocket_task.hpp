#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include "platform/coalescing_stream.hpp"

#include <boost/beast/websocket/stream.hpp>
#include <boost/url/url_view.hpp>

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>

namespace vantry {

struct WebSocketMessage {
  bool isText = true;
  std::string data;
};

// One WebSocket client connection: create, resume (connect and open in the background), send text
// messages and receive one message at a time. Messages sent before the connection has opened go
// out in order once it is open; if it never opens they are dropped. Any failure is final for the
// connection: the caller makes a new one. Messages go out as single text frames, written in bursts.
class WebSocketTask : public std::enable_shared_from_this<WebSocketTask> {
 public:
  // A host that stops reading must not make the plugin's memory grow without end.
  static constexpr std::size_t outgoingLimitBytes = 4 * 1024 * 1024;
  static constexpr std::size_t incomingMessageLimitBytes = 1024 * 1024;

  // Completion of one receive: a message, or nothing when the connection failed or closed.
  using ReceiveCompletion = std::function<void(std::optional<WebSocketMessage>)>;

  // The address must name an IP literal host, a port and no path (path "/" is requested).
  static std::shared_ptr<WebSocketTask> create(boost::asio::io_context& context, boost::urls::url_view address);

  void resume();
  // False when the message was dropped: the connection has failed, or the outgoing bound is full.
  bool send(std::string_view text);
  void receive(ReceiveCompletion completion);
  // Whether the host's port refused the connection: nothing listens there any more.
  bool refused() const { return refused_; }

  // Bytes given to send and not yet taken by the socket.
  std::size_t queuedBytes() const { return waitingBytes_ + stream_.next_layer().bufferedBytes(); }

 private:
  enum class State { created, opening, open, failed };

  WebSocketTask(boost::asio::io_context& context, boost::urls::url_view address);
  void onConnected(const boost::system::error_code& error);
  void onHandshake(const boost::system::error_code& error);
  bool writeFrame(std::string_view text);
  void readNext();
  void onRead(const boost::system::error_code& error);
  void fail();

  boost::beast::websocket::stream<CoalescingStream> stream_;
  std::string host_;
  std::string port_;
  std::optional<boost::asio::ip::tcp::endpoint> endpoint_;
  State state_ = State::created;
  bool refused_ = false;
  // Messages given before the connection opened, and their size.
  std::deque<std::string> waiting_;
  std::size_t waitingBytes_ = 0;
  std::mt19937 maskKeys_;
  ReceiveCompletion pendingReceive_;
  bool reading_ = false;
  boost::beast::flat_buffer readBuffer_;
};

}  // namespace vantry
