#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vantry::test {

// Accepts connections on a loopback port (0: a free one) and hands each over. After stopListening
// connections are refused; those under way go on.
class LoopbackListener {
 public:
  using Accepted = std::function<void(boost::asio::ip::tcp::socket)>;

  LoopbackListener(boost::asio::io_context& context, unsigned short port, Accepted accepted)
      : acceptor_(context, {boost::asio::ip::make_address("127.0.0.1"), port}), accepted_(std::move(accepted)) {
    acceptNext();
  }

  unsigned short port() const { return port_; }

  void stopListening() {
    boost::system::error_code ignored;
    acceptor_.close(ignored);
  }

 private:
  void acceptNext() {
    acceptor_.async_accept([this](const boost::system::error_code& error, boost::asio::ip::tcp::socket socket) {
      if (error) return;
      accepted_(std::move(socket));
      acceptNext();
    });
  }

  boost::asio::ip::tcp::acceptor acceptor_;
  Accepted accepted_;
  unsigned short port_ = acceptor_.local_endpoint().port();
};

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

inline std::string httpResponse(unsigned code, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(code) + " OK\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A stand-in for the media bridge on loopback: records every request target and answers from a
// script. Exchanges under way hold the server: it must outlive the context's work.
class TestBridgeServer : public LoopbackListener {
 public:
  using Script = std::function<ScriptedReply(const std::string& target)>;

  struct Request {
    std::string target;
    std::chrono::steady_clock::time_point at;
  };

  // Port 0: a free one.
  TestBridgeServer(boost::asio::io_context& context, Script script, unsigned short fixedPort = 0)
      : LoopbackListener(context, fixedPort, [this](boost::asio::ip::tcp::socket socket) {
          ++connectionsAccepted;
          serve(std::make_shared<Exchange>(std::move(socket)));
        }),
        script_(std::move(script)) {}

  std::string baseURL() const { return "http://127.0.0.1:" + std::to_string(port()); }

  std::size_t count(const std::string& target) const {
    std::size_t n = 0;
    for (const auto& r : requests) n += r.target == target ? 1 : 0;
    return n;
  }

  std::vector<Request> requests;
  std::size_t connectionsAccepted = 0;
  // Read the next request on a connection after answering (unless the reply says "Connection: close"),
  // instead of ending it.
  bool keepConnections = false;

 private:
  struct Exchange {
    explicit Exchange(boost::asio::ip::tcp::socket s) : socket(std::move(s)), timer(socket.get_executor()) {}
    boost::asio::ip::tcp::socket socket;
    boost::asio::steady_timer timer;
    boost::beast::flat_buffer buffer;
    boost::beast::http::request<boost::beast::http::empty_body> request;
    ScriptedReply reply;
  };

  void serve(const std::shared_ptr<Exchange>& exchange) {
    exchange->request = {};
    boost::beast::http::async_read(exchange->socket, exchange->buffer, exchange->request,
                                   [this, exchange](const boost::system::error_code& error, std::size_t) {
                                     if (error) return;
                                     const std::string target(exchange->request.target());
                                     requests.push_back({target, std::chrono::steady_clock::now()});
                                     exchange->reply = script_(target);
                                     if (exchange->reply.hang) return hanging_.push_back(exchange);
                                     answer(exchange, exchange->reply.delay);
                                   });
  }

  // Writes the reply's bytes, then either its further bytes, the next request or the end.
  void answer(const std::shared_ptr<Exchange>& exchange, std::chrono::milliseconds delay) {
    exchange->timer.expires_after(delay);
    exchange->timer.async_wait([this, exchange](const boost::system::error_code&) {
      boost::asio::async_write(exchange->socket, boost::asio::buffer(exchange->reply.bytes),
                               [this, exchange](const boost::system::error_code& error, std::size_t) {
                                 auto& reply = exchange->reply;
                                 if (error) return;
                                 if (reply.more) {
                                   reply.bytes = reply.more();
                                   return answer(exchange, reply.moreEvery);
                                 }
                                 const bool closing = reply.bytes.find("Connection: close\r\n") != std::string::npos;
                                 if (keepConnections && !closing && !reply.bytes.empty()) return serve(exchange);
                                 boost::system::error_code ignored;
                                 exchange->socket.shutdown(boost::asio::ip::tcp::socket::shutdown_send, ignored);
                               });
    });
  }

  Script script_;
  std::vector<std::shared_ptr<Exchange>> hanging_;
};

}  // namespace vantry::test
