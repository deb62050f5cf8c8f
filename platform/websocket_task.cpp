#include "platform/websocket_task.hpp"

#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/beast/core/buffers_to_string.hpp>

#include <charconv>
#include <chrono>

namespace vantry {

namespace beast = boost::beast;
namespace websocket = boost::beast::websocket;
using tcp = boost::asio::ip::tcp;

namespace {
// Time allowed for the TCP connect alone; the opening handshake has its own limit.
constexpr auto connectTimeout = std::chrono::seconds(30);
}  // namespace

std::shared_ptr<WebSocketTask> WebSocketTask::create(boost::asio::io_context& context, boost::urls::url_view address) {
  return std::shared_ptr<WebSocketTask>(new WebSocketTask(context, address));
}

WebSocketTask::WebSocketTask(boost::asio::io_context& context, boost::urls::url_view address)
    : stream_(context), host_(address.host()), port_(address.port()) {
  stream_.read_message_max(incomingMessageLimitBytes);
  stream_.auto_fragment(false);
}

void WebSocketTask::resume() {
  if (state_ != State::created) return;
  state_ = State::opening;
  boost::system::error_code error;
  const auto ip = boost::asio::ip::make_address(host_, error);
  unsigned short port = 0;
  const auto [end, parseError] = std::from_chars(port_.data(), port_.data() + port_.size(), port);
  if (error || parseError != std::errc() || end != port_.data() + port_.size()) {
    boost::asio::post(stream_.get_executor(), [self = shared_from_this()] { self->fail(); });
    return;
  }
  auto& socket = beast::get_lowest_layer(stream_);
  socket.expires_after(connectTimeout);
  socket.async_connect(tcp::endpoint(ip, port),
                       [self = shared_from_this()](const boost::system::error_code& e) { self->onConnected(e); });
}

void WebSocketTask::onConnected(const boost::system::error_code& error) {
  if (error) return fail();
  beast::get_lowest_layer(stream_).expires_never();
  // Marks and pictures are small and must not wait for the host's delayed acknowledgements.
  boost::system::error_code ignored;
  beast::get_lowest_layer(stream_).socket().set_option(tcp::no_delay(true), ignored);
  stream_.set_option(websocket::stream_base::timeout::suggested(beast::role_type::client));
  stream_.async_handshake(host_ + ":" + port_, "/",
                          [self = shared_from_this()](const boost::system::error_code& e) { self->onHandshake(e); });
}

void WebSocketTask::onHandshake(const boost::system::error_code& error) {
  if (error) return fail();
  state_ = State::open;
  writeNext();
  if (pendingReceive_ && !reading_) readNext();
}

void WebSocketTask::send(std::string text) {
  if (state_ == State::failed) return;
  if (queuedBytes_ + text.size() > outgoingLimitBytes) return;
  queuedBytes_ += text.size();
  outgoing_.push_back(std::move(text));
  writeNext();
}

void WebSocketTask::writeNext() {
  // Beast allows one outstanding write per stream.
  if (state_ != State::open || writing_ || outgoing_.empty()) return;
  writing_ = true;
  stream_.text(true);
  stream_.async_write(boost::asio::buffer(outgoing_.front()),
                      [self = shared_from_this()](const boost::system::error_code& e, std::size_t) {
                        self->onWritten(e);
                      });
}

void WebSocketTask::onWritten(const boost::system::error_code& error) {
  writing_ = false;
  queuedBytes_ -= outgoing_.front().size();
  outgoing_.pop_front();
  if (error) return fail();
  writeNext();
}

void WebSocketTask::receive(ReceiveCompletion completion) {
  if (state_ == State::failed) {
    boost::asio::post(stream_.get_executor(), [completion = std::move(completion)] { completion(std::nullopt); });
    return;
  }
  pendingReceive_ = std::move(completion);
  if (state_ == State::open && !reading_) readNext();
}

void WebSocketTask::readNext() {
  reading_ = true;
  stream_.async_read(readBuffer_, [self = shared_from_this()](const boost::system::error_code& e, std::size_t) {
    self->onRead(e);
  });
}

void WebSocketTask::onRead(const boost::system::error_code& error) {
  reading_ = false;
  if (error) return fail();
  WebSocketMessage message{stream_.got_text(), beast::buffers_to_string(readBuffer_.data())};
  readBuffer_.consume(readBuffer_.size());
  auto completion = std::move(pendingReceive_);
  pendingReceive_ = nullptr;
  if (completion) completion(std::move(message));
}

void WebSocketTask::fail() {
  if (state_ == State::failed) return;
  state_ = State::failed;
  // A write in progress still reads the front message; it goes when that write completes.
  while (outgoing_.size() > (writing_ ? 1u : 0u)) {
    queuedBytes_ -= outgoing_.back().size();
    outgoing_.pop_back();
  }
  beast::get_lowest_layer(stream_).socket().close();
  auto completion = std::move(pendingReceive_);
  pendingReceive_ = nullptr;
  if (completion) completion(std::nullopt);
}

}  // namespace vantry
