#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>

#include <functional>

namespace vantry::kit {

// Accepts connections on 127.0.0.1 (port 0: a free one) and hands each over; throws when it cannot
// listen. After stopListening connections are refused; those under way go on.
class LoopbackListener {
 public:
  using Accepted = std::function<void(boost::asio::ip::tcp::socket)>;

  LoopbackListener(boost::asio::io_context& context, unsigned short port, Accepted accepted)
      : acceptor_(context, {boost::asio::ip::make_address("127.0.0.1"), port}), accepted_(std::move(accepted)) {
    acceptNext();
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  unsigned short port() const { return port_; }

  void stopListening() {
    boost::system::error_code ignored;
    acceptor_.close(ignored);
  }

 private:
  void acceptNext() {
    acceptor_.async_accept([this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
      if (error == boost::asio::error::operation_aborted) return;
      if (!error) {
        boost::system::error_code ignored;
        socket.set_option(boost::asio::ip::tcp::no_delay(true), ignored);
        accepted_(std::move(socket));
      }
      acceptNext();
    });
  }

  boost::asio::ip::tcp::acceptor acceptor_;
  Accepted accepted_;
  unsigned short port_ = acceptor_.local_endpoint().port();
};

}  // namespace vantry::kit
