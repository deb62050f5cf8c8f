#pragma once

#include "support/test_bridge_server.hpp"  // LoopbackListener

#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace vantry::test {

// A stand-in for the Stream Deck host: a WebSocket server on loopback that records every message
// of every connection, can push messages and pings, close connections, refuse them and stop reading.
class TestHostServer : public LoopbackListener {
 public:
  struct Received {
    std::string text;
    std::chrono::steady_clock::time_point at;
  };

  class Connection : public std::enable_shared_from_this<Connection> {
   public:
    Connection(boost::asio::ip::tcp::socket socket, bool reading) : stream_(std::move(socket)), reading_(reading) {}

    void accept() {
      stream_.control_callback([this](boost::beast::websocket::frame_type kind, boost::beast::string_view) {
        pongs += kind == boost::beast::websocket::frame_type::pong ? 1 : 0;
      });
      stream_.async_accept([self = shared_from_this()](const boost::system::error_code& error) {
        if (error) return;
        self->opened = true;
        self->openedAt = std::chrono::steady_clock::now();
        if (self->reading_) self->read();
        self->writeNext();
      });
    }

    void resumeReading() {
      if (!reading_ && opened && !closed) read();
      reading_ = true;
    }

    void send(std::string data, bool text = true) {
      outgoing_.push_back({std::move(data), text});
      writeNext();
    }

    void ping() { stream_.async_ping({}, [self = shared_from_this()](const boost::system::error_code&) {}); }

    void close() {
      stream_.async_close(boost::beast::websocket::close_code::normal,
                          [self = shared_from_this()](const boost::system::error_code&) { self->closed = true; });
    }

    std::vector<Received> received;
    bool opened = false;
    bool closed = false;
    int pongs = 0;
    std::chrono::steady_clock::time_point openedAt{};

   private:
    void read() {
      stream_.async_read(buffer_, [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
        if (error) {
          self->closed = true;
          return;
        }
        self->received.push_back({boost::beast::buffers_to_string(self->buffer_.data()), std::chrono::steady_clock::now()});
        self->buffer_.consume(self->buffer_.size());
        self->read();
      });
    }

    // Beast allows one message write at a time.
    void writeNext() {
      if (!opened || writing_ || outgoing_.empty()) return;
      writing_ = true;
      stream_.text(outgoing_.front().second);
      stream_.async_write(boost::asio::buffer(outgoing_.front().first),
                          [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                            self->writing_ = false;
                            self->outgoing_.pop_front();
                            if (!error) self->writeNext();
                          });
    }

    boost::beast::websocket::stream<boost::beast::tcp_stream> stream_;
    boost::beast::flat_buffer buffer_;
    std::deque<std::pair<std::string, bool>> outgoing_;
    bool writing_ = false;
    bool reading_;
  };

  explicit TestHostServer(boost::asio::io_context& context)
      : LoopbackListener(context, 0, [this](boost::asio::ip::tcp::socket socket) {
          connections.push_back(std::make_shared<Connection>(std::move(socket), readNewConnections));
          connections.back()->accept();
        }) {}

  std::shared_ptr<Connection> latest() const { return connections.empty() ? nullptr : connections.back(); }

  // New connections are accepted but not read from.
  bool readNewConnections = true;
  std::vector<std::shared_ptr<Connection>> connections;
};

}  // namespace vantry::test
