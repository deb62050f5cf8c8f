#include "ws_session.hpp"

#include <chrono>

namespace vantry::deck {

namespace beast = boost::beast;
namespace websocket = boost::beast::websocket;

namespace {
// A key picture is a few kilobytes; a logo PNG may be larger, but not this large.
constexpr std::size_t messageLimitBytes = 8 * 1024 * 1024;
// Queued frames for a peer that stops reading are dropped beyond this.
constexpr std::size_t outgoingLimitFrames = 4096;
}  // namespace

WsSession::WsSession(beast::tcp_stream stream, MessageHandler onMessage, OpenHandler onOpen)
    : stream_(std::move(stream)), onMessage_(std::move(onMessage)), onOpen_(std::move(onOpen)) {}

void WsSession::accept(beast::http::request<beast::http::string_body> request) {
  beast::get_lowest_layer(stream_).expires_never();
  auto timeouts = websocket::stream_base::timeout::suggested(beast::role_type::server);
  // Pings keep a quiet peer's connection checked; the plugin answers them.
  timeouts.idle_timeout = std::chrono::seconds(60);
  timeouts.keep_alive_pings = true;
  stream_.set_option(timeouts);
  stream_.read_message_max(messageLimitBytes);
  stream_.async_accept(request, [self = shared_from_this()](const beast::error_code& error) {
    if (error) return;
    self->open_ = true;
    if (self->onOpen_) self->onOpen_(self);
    self->read();
    self->writeNext();
  });
}

void WsSession::send(std::string text) {
  if (closing_ || outgoing_.size() >= outgoingLimitFrames) return;
  outgoing_.push_back(std::move(text));
  writeNext();
}

void WsSession::close() {
  if (closing_) return;
  closing_ = true;
  outgoing_.clear();
  if (!open_) return;
  // A close frame would be a second write while one is outstanding; closing the socket is enough.
  beast::error_code ignored;
  beast::get_lowest_layer(stream_).socket().shutdown(boost::asio::ip::tcp::socket::shutdown_both, ignored);
  beast::get_lowest_layer(stream_).socket().close(ignored);
}

void WsSession::read() {
  stream_.async_read(buffer_, [self = shared_from_this()](const beast::error_code& error, std::size_t) {
    if (error) {
      self->open_ = false;
      self->closing_ = true;
      self->outgoing_.clear();
      if (self->onMessage_) self->onMessage_(self, {});  // empty: the connection ended
      self->onMessage_ = nullptr;
      self->onOpen_ = nullptr;
      return;
    }
    auto text = beast::buffers_to_string(self->buffer_.data());
    self->buffer_.consume(self->buffer_.size());
    if (self->onMessage_ && !text.empty()) self->onMessage_(self, std::move(text));
    self->read();
  });
}

void WsSession::writeNext() {
  if (!open_ || writing_ || outgoing_.empty()) return;
  writing_ = true;
  stream_.text(true);
  stream_.async_write(boost::asio::buffer(outgoing_.front()),
                      [self = shared_from_this()](const beast::error_code& error, std::size_t) {
                        self->writing_ = false;
                        if (!self->outgoing_.empty()) self->outgoing_.pop_front();
                        if (error) {
                          self->outgoing_.clear();
                          return;
                        }
                        self->writeNext();
                      });
}

}  // namespace vantry::deck
