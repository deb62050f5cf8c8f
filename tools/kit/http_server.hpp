#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/string_body.hpp>

#include <chrono>
#include <functional>
#include <set>
#include <string>

namespace vantry::kit {

using HttpRequest = boost::beast::http::request<boost::beast::http::string_body>;
using HttpResponse = boost::beast::http::response<boost::beast::http::string_body>;

// What the server writes for one request: raw bytes after a delay, then the connection's next
// request or its end (no bytes: hang up once the request is read, even on a kept connection).
struct ScriptedReply {
  std::string bytes;
  std::chrono::milliseconds delay{0};
  bool hang = false;  // never answer; the connection stays until the client goes
  // After the bytes, more of them every so often, for as long as the client takes them.
  std::function<std::string()> more{};
  std::chrono::milliseconds moreEvery{0};
};

// "HTTP/1.1 <code> OK" with a JSON body, whatever the code.
std::string httpResponse(unsigned code, const std::string& body);
// A response's bytes, its length set.
std::string httpBytes(HttpResponse response);

// An HTTP server on 127.0.0.1 that answers from a script, one request at a time per connection;
// throws when it cannot listen. Connections join it when accepted and leave it when they end; it
// must outlive the context's work.
class HttpServer {
 public:
  using Script = std::function<ScriptedReply(const HttpRequest&)>;
  // Takes over the connection of a request that asks for a WebSocket when it returns true.
  using Upgrade = std::function<bool(HttpRequest&, boost::beast::tcp_stream&)>;
  // How long a connection waits for a request or a write, and how long a hung answer may hold
  // one whose client stays.
  static constexpr std::chrono::seconds idleTimeout{30};
  static constexpr std::chrono::minutes hangLimit{10};

  // Port 0: a free one.
  HttpServer(boost::asio::io_context& context, unsigned short port, Script script, Upgrade upgrade = {});
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  unsigned short port() const { return port_; }
  // New connections are refused; those under way go on.
  void stopListening();
  // Stops listening and ends every connection: the context then runs out of the server's work.
  void stop();

  // Read the next request on a connection after answering, unless the request or the reply says
  // "Connection: close", instead of ending it.
  bool keepConnections = false;
  std::size_t connectionsAccepted = 0;

 private:
  class Session;  // one connection

  void acceptNext();

  Script script_;
  Upgrade upgrade_;
  std::set<Session*> sessions_;
  boost::asio::ip::tcp::acceptor acceptor_;
  unsigned short port_ = acceptor_.local_endpoint().port();
};

}  // namespace vantry::kit
