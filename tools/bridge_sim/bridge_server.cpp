#include "bridge_server.hpp"

#include "bridge_replies_json.hpp"
#include "bridge_routes.hpp"

#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <iostream>
#include <optional>
#include <random>

namespace vantry::sim {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

tcp::acceptor openAcceptor(asio::io_context& context, std::uint16_t port) {
  const tcp::endpoint endpoint(asio::ip::make_address_v4("127.0.0.1"), port);
  tcp::acceptor acceptor(context);
  acceptor.open(endpoint.protocol());
  acceptor.set_option(tcp::acceptor::reuse_address(true));
  acceptor.bind(endpoint);
  acceptor.listen();
  return acceptor;
}

std::uint32_t seedFor(const SimOptions& options) {
  if (options.seed) return *options.seed;
  std::random_device device;
  return device();
}

}  // namespace

// One client connection: read a request, maybe misbehave, answer after the latency, repeat.
class BridgeSession : public std::enable_shared_from_this<BridgeSession> {
 public:
  BridgeSession(tcp::socket socket, BridgeServer& server)
      : stream_(std::move(socket)), timer_(stream_.get_executor()), server_(&server) {}

  void start() { readNext(); }

  void close() {
    if (closed_) return;
    closed_ = true;
    timer_.cancel();
    boost::system::error_code ignored;
    stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
    stream_.close();
  }

 private:
  void readNext() {
    parser_.emplace();
    parser_->header_limit(8 * 1024);
    parser_->body_limit(64 * 1024);
    stream_.expires_after(BridgeServer::idleTimeout);
    http::async_read(stream_, buffer_, *parser_,
                     [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
                       self->onRequest(error);
                     });
  }

  void onRequest(const boost::system::error_code& error) {
    if (closed_) return;
    if (error) return close();  // the client went, idled out, or sent something that is not HTTP
    const auto& request = parser_->get();
    const auto fault = server_->dice_.next();
    if (server_->options_.verbose) {
      std::cerr << request.method_string() << ' ' << request.target()
                << (fault == Fault::hang ? " -> (hang)" : fault == Fault::fail ? " -> 500 (injected)" : "") << '\n';
    }
    if (fault == Fault::hang) return hang();

    RouteAnswer answer = fault == Fault::fail
                             ? RouteAnswer{500, replyBody(false, "Simulated bridge failure")}
                             : answerRequest(server_->application_, request.method_string(), request.target(),
                                             Clock::now());
    response_ = {};
    response_.result(answer.code);
    response_.version(request.version());
    response_.set(http::field::server, "vantry-bridge-sim");
    response_.set(http::field::content_type, "application/json");
    if (answer.code == 405) response_.set(http::field::allow, "GET");
    response_.keep_alive(request.keep_alive());
    response_.body() = std::move(answer.body);
    response_.prepare_payload();

    const auto latency = server_->options_.latency;
    if (latency.count() <= 0) return write();
    stream_.expires_never();
    timer_.expires_after(latency);
    timer_.async_wait([self = shared_from_this()](const boost::system::error_code& e) {
      if (self->closed_ || e) return;
      self->write();
    });
  }

  void write() {
    stream_.expires_after(BridgeServer::idleTimeout);
    http::async_write(stream_, response_, [self = shared_from_this()](const boost::system::error_code& error, std::size_t) {
      if (self->closed_) return;
      if (error || self->response_.need_eof()) return self->close();
      self->readNext();
    });
  }

  // Never answer; read and drop whatever arrives until the client closes the connection.
  void hang() {
    stream_.expires_after(BridgeServer::hangLimit);
    stream_.async_read_some(asio::buffer(drain_), [self = shared_from_this()](const boost::system::error_code& error,
                                                                              std::size_t) {
      if (self->closed_) return;
      if (error) return self->close();
      self->hang();
    });
  }

  beast::tcp_stream stream_;
  asio::steady_timer timer_;
  BridgeServer* server_;
  beast::flat_buffer buffer_;
  std::optional<http::request_parser<http::string_body>> parser_;
  http::response<http::string_body> response_;
  std::array<char, 1024> drain_{};
  bool closed_ = false;
};

BridgeServer::BridgeServer(asio::io_context& context, const SimOptions& options)
    : acceptor_(openAcceptor(context, options.port)),
      options_(options),
      port_(acceptor_.local_endpoint().port()),
      application_(Clock::now(), port_),
      dice_(options.failPercent, options.hangPercent, seedFor(options)) {
  acceptNext();
}

BridgeServer::~BridgeServer() { stop(); }

void BridgeServer::stop() {
  if (stopped_) return;
  stopped_ = true;
  boost::system::error_code ignored;
  acceptor_.close(ignored);
  for (auto& weak : sessions_) {
    if (auto session = weak.lock()) session->close();
  }
  sessions_.clear();
}

void BridgeServer::acceptNext() {
  acceptor_.async_accept([this](const boost::system::error_code& error, tcp::socket socket) {
    if (error == asio::error::operation_aborted || stopped_) return;
    if (!error) {
      boost::system::error_code ignored;
      socket.set_option(tcp::no_delay(true), ignored);
      sessions_.remove_if([](const std::weak_ptr<BridgeSession>& s) { return s.expired(); });
      auto session = std::make_shared<BridgeSession>(std::move(socket), *this);
      sessions_.push_back(session);
      session->start();
    }
    acceptNext();
  });
}

}  // namespace vantry::sim
