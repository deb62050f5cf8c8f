#include "kit/ws_session.hpp"

#include <boost/beast/core/buffers_to_string.hpp>

namespace vantry::kit {

namespace beast = boost::beast;
namespace websocket = boost::beast::websocket;

WsSession::WsSession(beast::tcp_stream stream, Handlers handlers, PeerBounds bounds, bool reading)
    : stream_(std::move(stream)), handlers_(std::move(handlers)), bounds_(bounds), reading_(reading) {}

void WsSession::accept(const HttpRequest& upgrade) {
  beast::get_lowest_layer(stream_).expires_never();
  auto timeouts = websocket::stream_base::timeout::suggested(beast::role_type::server);
  if (bounds_.idleTimeout) {
    timeouts.idle_timeout = *bounds_.idleTimeout;
    timeouts.keep_alive_pings = true;
  }
  stream_.set_option(timeouts);
  stream_.read_message_max(bounds_.messageBytes);
  stream_.control_callback([this](websocket::frame_type kind, beast::string_view) {
    pongs_ += kind == websocket::frame_type::pong ? 1 : 0;
  });
  stream_.async_accept(upgrade, [self = shared_from_this()](const beast::error_code& error) { self->opened(error); });
}

void WsSession::opened(const beast::error_code& error) {
  if (error) return end();
  opened_ = true;
  openedAt_ = std::chrono::steady_clock::now();
  if (handlers_.opened) handlers_.opened(shared_from_this());
  if (reading_) read();
  writeNext();
}

void WsSession::send(std::string data, bool text) {
  if (closing_ || outgoing_.size() >= bounds_.queuedFrames) return;
  outgoing_.push_back({std::move(data), text});
  writeNext();
}

void WsSession::ping() {
  if (isOpen()) stream_.async_ping({}, [self = shared_from_this()](const beast::error_code&) {});
}

void WsSession::close() {
  if (closing_) return;
  closing_ = true;
  dropQueued();
  if (!opened_) {
    beast::error_code ignored;
    beast::get_lowest_layer(stream_).socket().close(ignored);  // the handshake fails, and the session ends
    return;
  }
  stream_.async_close(websocket::close_code::normal, [self = shared_from_this()](const beast::error_code&) { self->end(); });
}

void WsSession::resumeReading() {
  if (!reading_ && isOpen()) read();
  reading_ = true;
}

void WsSession::read() {
  stream_.async_read(buffer_, [self = shared_from_this()](const beast::error_code& error, std::size_t) {
    if (error) return self->end();
    auto text = beast::buffers_to_string(self->buffer_.data());
    self->buffer_.consume(self->buffer_.size());
    if (self->handlers_.message) self->handlers_.message(self, std::move(text));
    if (!self->ended_) self->read();
  });
}

void WsSession::writeNext() {
  if (!isOpen() || writing_ || outgoing_.empty()) return;
  writing_ = true;
  stream_.text(outgoing_.front().text);
  stream_.async_write(boost::asio::buffer(outgoing_.front().data),
                      [self = shared_from_this()](const beast::error_code& error, std::size_t) {
                        self->writing_ = false;
                        self->outgoing_.pop_front();
                        if (!error) self->writeNext();
                      });
}

void WsSession::dropQueued() { outgoing_.erase(outgoing_.begin() + (writing_ && !outgoing_.empty() ? 1 : 0), outgoing_.end()); }

void WsSession::end() {
  if (ended_) return;
  ended_ = true;
  closing_ = true;
  dropQueued();
  if (handlers_.ended) handlers_.ended(shared_from_this());
}

}  // namespace vantry::kit
