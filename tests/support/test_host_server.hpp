#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/websocket.hpp>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vantry::test {

// A stand-in for the Stream Deck host: a WebSocket server on loopback that records every message
// of every connection, can push messages, close connections, refuse them and stop reading.
class TestHostServer {
 public:
  struct Received {
    std::string text;
    std::chrono::steady_clock::time_point at;
  };

  class Connection : public std::enable_shared_from_this<Connection> {
   public:
    explicit Connection(boost::asio::ip::tcp::socket socket) : stream_(std::move(socket)) {}

    void accept(bool reading) {
      reading_ = reading;
      stream_.control_callback([this](boost::beast::websocket::frame_type kind, boost::beast::string_view) {
        if (kind == boost::beast::websocket::frame_type::pong) ++pongs;
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
      if (reading_) return;
      reading_ = true;
      if (opened && !closed) read();
    }

    void send(std::string data, bool text = true) {
      outgoing_.push_back({std::move(data), text});
      writeNext();
    }

    void ping() {
      stream_.async_ping({}, [self = shared_from_this()](const boost::system::error_code&) {});
    }

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
    bool reading_ = true;
  };

  explicit TestHostServer(boost::asio::io_context& context) : acceptor_(context) { listen(0); }

  unsigned short port() const { return port_; }

  // Listens on the given port (0: a free one), keeping that port from then on.
  void listen(unsigned short port) {
    using boost::asio::ip::tcp;
    const tcp::endpoint endpoint(boost::asio::ip::make_address("127.0.0.1"), port ? port : port_);
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(tcp::acceptor::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen();
    port_ = acceptor_.local_endpoint().port();
    acceptNext();
  }
  void listenAgain() { listen(port_); }

  // Connections to the port are refused from now on.
  void stopListening() {
    boost::system::error_code ignored;
    acceptor_.close(ignored);
  }

  // New connections are accepted but not read from.
  bool readNewConnections = true;

  std::vector<std::shared_ptr<Connection>> connections;

  std::shared_ptr<Connection> latest() const { return connections.empty() ? nullptr : connections.back(); }

  std::size_t openedCount() const {
    std::size_t n = 0;
    for (const auto& c : connections) n += c->opened ? 1 : 0;
    return n;
  }

 private:
  void acceptNext() {
    acceptor_.async_accept([this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
      if (error) return;
      auto connection = std::make_shared<Connection>(std::move(socket));
      connections.push_back(connection);
      connection->accept(readNewConnections);
      acceptNext();
    });
  }

  boost::asio::ip::tcp::acceptor acceptor_;
  unsigned short port_ = 0;
};

}  // namespace vantry::test
