#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/write.hpp>

#include <cstddef>
#include <memory>
#include <string>

namespace vantry::fuzz {

// A stand-in bridge on 127.0.0.1: for each connection it reads the request head, writes `reply`
// as raw bytes, and closes.
class LoopbackReplyServer {
 public:
  explicit LoopbackReplyServer(boost::asio::io_context& context) : acceptor_(context) {
    using boost::asio::ip::tcp;
    const tcp::endpoint endpoint(boost::asio::ip::make_address("127.0.0.1"), 0);
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(tcp::acceptor::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen();
    acceptNext();
  }

  unsigned short port() const { return acceptor_.local_endpoint().port(); }

  std::string reply;
  // Connections whose answer was written (or failed) and closed, and those still open.
  std::size_t served = 0;
  std::size_t open = 0;

 private:
  struct Connection {
    explicit Connection(boost::asio::ip::tcp::socket s) : socket(std::move(s)) {}
    boost::asio::ip::tcp::socket socket;
    std::string request;
    std::string reply;
  };

  void acceptNext() {
    acceptor_.async_accept([this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
      if (error) return;
      ++open;
      auto connection = std::make_shared<Connection>(std::move(socket));
      connection->reply = reply;
      boost::asio::async_read_until(connection->socket, boost::asio::dynamic_buffer(connection->request, 16384),
                                    "\r\n\r\n", [this, connection](const boost::system::error_code&, std::size_t) {
                                      answer(connection);
                                    });
      acceptNext();
    });
  }

  void answer(const std::shared_ptr<Connection>& connection) {
    boost::asio::async_write(connection->socket, boost::asio::buffer(connection->reply),
                             [this, connection](const boost::system::error_code&, std::size_t) {
                               boost::system::error_code ignored;
                               connection->socket.shutdown(boost::asio::ip::tcp::socket::shutdown_send, ignored);
                               connection->socket.close(ignored);
                               --open;
                               ++served;
                             });
  }

  boost::asio::ip::tcp::acceptor acceptor_;
};

}  // namespace vantry::fuzz
