#include "kit/http_server.hpp"

#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>

#include <array>
#include <optional>
#include <sstream>
#include <vector>

namespace vantry::kit {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;

std::string httpResponse(unsigned code, const std::string& body) {
  return "HTTP/1.1 " + std::to_string(code) + " OK\r\nContent-Type: application/json\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string httpBytes(HttpResponse response) {
  response.prepare_payload();
  std::ostringstream bytes;
  bytes << response;
  return bytes.str();
}

// One connection: reads a request, answers it as the script says, then reads the next or ends.
class HttpServer::Session : public std::enable_shared_from_this<Session> {
 public:
  Session(asio::ip::tcp::socket socket, HttpServer& owner)
      : server(&owner), stream_(std::move(socket)), timer_(stream_.get_executor()) {
    owner.sessions_.insert(this);
  }
  ~Session() {
    if (server) server->sessions_.erase(this);
  }

  void readNext() {
    parser_.emplace();
    parser_->header_limit(8 * 1024);
    parser_->body_limit(64 * 1024);
    stream_.expires_after(idleTimeout);
    http::async_read(stream_, buffer_, *parser_, [self = shared_from_this()](const beast::error_code& error, std::size_t) {
      self->answer(error);
    });
  }

  void end() {
    if (ended_) return;
    ended_ = true;
    timer_.cancel();
    beast::error_code ignored;
    stream_.socket().shutdown(asio::ip::tcp::socket::shutdown_both, ignored);
    stream_.socket().close(ignored);
  }

  HttpServer* server;  // none once the server has gone

 private:
  void answer(const beast::error_code& error) {
    if (error || ended_ || !server) return end();  // the client went, idled out, or sent no HTTP
    request_ = parser_->release();
    if (server->upgrade_ && beast::websocket::is_upgrade(request_) && server->upgrade_(request_, stream_)) {
      ended_ = true;  // the connection is the WebSocket's now
      return;
    }
    reply_ = server->script_(request_);
    if (reply_.hang) return drain();
    write(reply_.delay);
  }

  void write(std::chrono::milliseconds delay) {
    stream_.expires_never();
    timer_.expires_after(delay);
    timer_.async_wait([self = shared_from_this()](const beast::error_code& error) {
      if (error || self->ended_) return;
      self->stream_.expires_after(idleTimeout);
      asio::async_write(self->stream_, asio::buffer(self->reply_.bytes),
                        [self](const beast::error_code& e, std::size_t) { self->written(e); });
    });
  }

  void written(const beast::error_code& error) {
    if (error || ended_) return end();
    if (reply_.more) {
      reply_.bytes = reply_.more();
      return write(reply_.moreEvery);
    }
    const bool closing = reply_.bytes.empty() || reply_.bytes.find("Connection: close\r\n") != std::string::npos;
    if (server && server->keepConnections && request_.keep_alive() && !closing) return readNext();
    end();
  }

  // Reads and drops whatever arrives until the client goes.
  void drain() {
    stream_.expires_after(hangLimit);
    stream_.async_read_some(asio::buffer(drained_), [self = shared_from_this()](const beast::error_code& error, std::size_t) {
      if (error || self->ended_) return self->end();
      self->drain();
    });
  }

  beast::tcp_stream stream_;
  asio::steady_timer timer_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  HttpRequest request_;
  ScriptedReply reply_;
  std::array<char, 1024> drained_{};
  bool ended_ = false;
};

HttpServer::HttpServer(asio::io_context& context, unsigned short port, Script script, Upgrade upgrade)
    : script_(std::move(script)), upgrade_(std::move(upgrade)),
      acceptor_(context, {asio::ip::make_address("127.0.0.1"), port}) {
  acceptNext();
}

void HttpServer::acceptNext() {
  acceptor_.async_accept([this](const boost::system::error_code& error, asio::ip::tcp::socket socket) {
    if (error == asio::error::operation_aborted) return;
    if (!error) {
      ++connectionsAccepted;
      boost::system::error_code ignored;
      socket.set_option(asio::ip::tcp::no_delay(true), ignored);
      std::make_shared<Session>(std::move(socket), *this)->readNext();
    }
    acceptNext();
  });
}

HttpServer::~HttpServer() {
  stop();
  for (auto* session : sessions_) session->server = nullptr;
}

void HttpServer::stopListening() {
  boost::system::error_code ignored;
  acceptor_.close(ignored);
}

void HttpServer::stop() {
  stopListening();
  for (auto* session : std::vector(sessions_.begin(), sessions_.end())) session->end();
}

}  // namespace vantry::kit
