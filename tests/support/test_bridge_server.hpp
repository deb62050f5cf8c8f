#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <chrono>
#include <functional>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

namespace vantry::test {

// What the stand-in bridge does with one request: raw bytes to write after a delay, then close
// (no bytes: hang up once the request is read, even on a kept connection).
struct ScriptedReply {
  std::string bytes;
  std::chrono::milliseconds delay{0};
  bool hang = false;  // never answer, keep the connection open
  // After the bytes, more of them every so often, for as long as the client takes them.
  std::function<std::string()> more{};
  std::chrono::milliseconds moreEvery{0};
};

inline std::string httpResponse(unsigned code, const std::string& body, const std::string& reason = "OK") {
  return "HTTP/1.1 " + std::to_string(code) + " " + reason + "\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A stand-in for the media bridge on loopback: records every request target and answers from a script.
class TestBridgeServer {
 public:
  using Script = std::function<ScriptedReply(const std::string& target)>;

  struct Request {
    std::string target;
    std::string rawHead;
    std::chrono::steady_clock::time_point at;
  };

  // Port 0: a free one.
  TestBridgeServer(boost::asio::io_context& context, Script script, unsigned short fixedPort = 0)
      : acceptor_(context), script_(std::move(script)) {
    listenOn(fixedPort);
  }

  // Connections to the port are refused until listenAgain; exchanges under way go on.
  void stopListening() {
    boost::system::error_code ignored;
    acceptor_.close(ignored);
  }
  void listenAgain() { listenOn(port); }

  std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port); }

  std::size_t count(const std::string& target) const {
    std::size_t n = 0;
    for (const auto& r : requests) n += r.target == target ? 1 : 0;
    return n;
  }

  void setScript(Script script) { script_ = std::move(script); }

  unsigned short port = 0;
  std::vector<Request> requests;
  std::size_t connectionsAccepted = 0;
  // Read the next request on a connection after answering, instead of ending it.
  bool keepConnections = false;

 private:
  struct Exchange {
    explicit Exchange(boost::asio::ip::tcp::socket s) : socket(std::move(s)), timer(socket.get_executor()) {}
    boost::asio::ip::tcp::socket socket;
    boost::asio::steady_timer timer;
    boost::beast::flat_buffer buffer;
    boost::beast::http::request<boost::beast::http::empty_body> request;
    std::string reply;
  };

  void listenOn(unsigned short wanted) {
    using boost::asio::ip::tcp;
    const tcp::endpoint endpoint(boost::asio::ip::make_address("127.0.0.1"), wanted);
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(tcp::acceptor::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen();
    port = acceptor_.local_endpoint().port();
    acceptNext();
  }

  // Writes the first bytes, then more every so often until a write fails.
  static void stream(const std::shared_ptr<Exchange>& exchange, std::string bytes,
                     const std::shared_ptr<ScriptedReply>& reply) {
    auto owned = std::make_shared<std::string>(std::move(bytes));
    boost::asio::async_write(exchange->socket, boost::asio::buffer(*owned),
                             [exchange, owned, reply](const boost::system::error_code& error, std::size_t) {
                               if (error) return;
                               exchange->timer.expires_after(reply->moreEvery);
                               exchange->timer.async_wait([exchange, reply](const boost::system::error_code& e) {
                                 if (!e) stream(exchange, reply->more(), reply);
                               });
                             });
  }

  void acceptNext() {
    acceptor_.async_accept([this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
      if (error) return;
      ++connectionsAccepted;
      serve(std::make_shared<Exchange>(std::move(socket)));
      acceptNext();
    });
  }

  void serve(const std::shared_ptr<Exchange>& exchange) {
    boost::beast::http::async_read(
        exchange->socket, exchange->buffer, exchange->request,
        [this, exchange](const boost::system::error_code& error, std::size_t) {
          if (error) return;
          std::ostringstream head;
          head << exchange->request.base();
          requests.push_back({std::string(exchange->request.target()), head.str(), std::chrono::steady_clock::now()});
          auto reply = script_(std::string(exchange->request.target()));
          if (reply.hang) {
            hanging_.push_back(exchange);
            return;
          }
          if (reply.more) {
            auto first = std::move(reply.bytes);
            return stream(exchange, std::move(first), std::make_shared<ScriptedReply>(std::move(reply)));
          }
          exchange->reply = std::move(reply.bytes);
          exchange->timer.expires_after(reply.delay);
          exchange->timer.async_wait([this, exchange](const boost::system::error_code&) {
            boost::asio::async_write(exchange->socket, boost::asio::buffer(exchange->reply),
                                     [this, exchange](const boost::system::error_code& e, std::size_t) {
                                       if (keepConnections && !e && !exchange->reply.empty()) {
                                         exchange->request = {};
                                         return serve(exchange);
                                       }
                                       boost::system::error_code ignored;
                                       exchange->socket.shutdown(boost::asio::ip::tcp::socket::shutdown_send, ignored);
                                     });
          });
        });
  }

  boost::asio::ip::tcp::acceptor acceptor_;
  Script script_;
  std::vector<std::shared_ptr<Exchange>> hanging_;
};

}  // namespace vantry::test
